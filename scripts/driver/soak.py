"""soak [--ticks N] [--warm-up N] [--plant-leak-bytes N] [--plant-thread-every N] [--smoke] [--build-dir DIR]

A bubble left alone: the program (its instrumented build, tracking every 70
ms instead of every 700) tracks an unchanged icon, the last of 10 items, so
that every walk asks every item, on a desktop served by the stand-in in
another process; every 250 walks it reports what it holds (kit/holdings.h),
and the stand-in is asked the same. After the warm-up (default 1,000 walks,
then 10,000 judged) it judges:
  - memory: the program's committed private bytes outside its threads' own
    regions (stacks, Wine's kernel-side stacks, TEBs: found exactly, see
    kit/holdings.h), its busy heap bytes and the stand-in's: each grows
    when its least-squares slope
    against the walks exceeds both twice its standard error and its floor
    (one page over the judged walks for committed bytes, HEAP_FLOOR bytes a
    walk for heap bytes); nothing is fitted besides the slope;
  - threads: never more than THREAD_CEILING after the warm-up: the
    program's own, Wine's COM helper, and the peak of two workers of the
    pool that carries COM's calls, which starts and ends them on its own
    (every soak here reached it, some only after the warm-up);
  - kernel handles of the program and of the stand-in (the system's
    handle list): never more than the highest count of the warm-up.
The icon then goes and the program must end with 0. Writes the samples and
a plot (soak.tsv, soak.png beside the build folder). Exits 1 when anything
grows, the program hangs or fails. Planted faults show that each verdict
can fail: --plant-leak-bytes N (N bytes leaked a walk: what the soak
resolves), --plant-thread-every N (a thread that never ends, and its handle,
every N walks)."""

import os
import time

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as pyplot  # noqa: E402

import processes  # noqa: E402
from processes import check  # noqa: E402

ITEMS = 10
ICON = ("marrowtune", (20, 100, 95, 170))
TRACK_PERIOD_MS = 70
REPORT_EVERY = 250          # walks between two reports (SMOKE_REPORT_EVERY in the smoke form)
SMOKE_REPORT_EVERY = 50
REPORT_LIMIT = 300.0        # seconds without a report: the program hangs
PAGE = 4096
HEAP_FLOOR = 0.1            # bytes a walk
MEMORY = ("private", "heap", "standin_heap")
THREAD_CEILING = 4
COUNTS = ("threads", "handles", "standin_handles")
WALKS_PER_DAY = 24 * 3600 * 1000 / 700   # at the program's own period


def slope(xs, ys):
    """The least-squares slope of ys against xs and its standard error."""
    n = len(xs)
    mx, my = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs)
    b = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx
    residual = sum((y - my - b * (x - mx)) ** 2 for x, y in zip(xs, ys))
    return b, (residual / (n - 2) / sxx) ** 0.5 if n > 2 else float("inf")


def judge(samples, warm_up):
    """Prints a line per figure; returns whether any grows."""
    judged = [s for s in samples if s["walks"] >= warm_up]
    check(len(judged) >= 3, "too few samples after the warm-up: %d" % len(judged))
    before = [s for s in samples if s["walks"] < warm_up] or judged[:1]
    walks = [s["walks"] for s in judged]
    span = walks[-1] - walks[0]
    grows = False
    print("%-16s %14s %14s %14s %12s  %s" % ("figure", "after warm-up", "at the end", "slope, B/walk",
                                            "resolves", "verdict"))
    for name in MEMORY:
        b, error = slope(walks, [s[name] for s in judged])
        floor = PAGE / span if name == "private" else HEAP_FLOOR
        resolution = max(2 * error, floor)
        grows |= b > resolution
        print("%-16s %14d %14d %14.2f %12.2f  %s (%.2f MB a day)" % (name, judged[0][name], judged[-1][name], b,
              resolution, "grows" if b > resolution else "flat", b * WALKS_PER_DAY / 1e6))
    for name in COUNTS:
        peak = THREAD_CEILING if name == "threads" else max(s[name] for s in before)
        highest = max(s[name] for s in judged)
        grows |= highest > peak
        print("%-16s %14d %14d %14s %12s  %s (at most %d, highest after the warm-up %d)" % (
            name, judged[0][name], judged[-1][name], "-", "-", "grows" if highest > peak else "no growth", peak,
            highest))
    return grows


def plot(samples, warm_up, path):
    figure, (memory, counts) = pyplot.subplots(2, 1, sharex=True, figsize=(8, 6))
    walks = [s["walks"] for s in samples]
    for name, label in zip(MEMORY, ("program, committed outside stacks", "program, busy heap", "stand-in, busy heap")):
        memory.plot(walks, [s[name] / 2 ** 20 for s in samples], label=label)
    for name in COUNTS:
        counts.step(walks, [s[name] for s in samples], where="post", label=name.replace("_", " "))
    for axes, unit in ((memory, "MiB"), (counts, "count")):
        axes.axvline(warm_up, color="grey", linestyle=":")
        axes.set_ylabel(unit)
        axes.legend(fontsize="small")
    counts.set_xlabel("walks (tracking ticks); dotted: end of the warm-up")
    memory.set_title("The program and the stand-in desktop over the soak")
    figure.savefig(path, dpi=100)


def main(argv):
    def option(name, default):
        return int(argv[argv.index(name) + 1]) if name in argv else default
    smoke = "--smoke" in argv
    every = SMOKE_REPORT_EVERY if smoke else REPORT_EVERY
    warm_up = option("--warm-up", 2 * every if smoke else 1000)
    total = warm_up + option("--ticks", 3 * every if smoke else 10000)
    plants = ["--%s=%d" % (name, option("--" + name, 0)) for name in ("plant-leak-bytes", "plant-thread-every")
              if name in " ".join(argv)]
    build_dir = os.path.abspath(argv[argv.index("--build-dir") + 1] if "--build-dir" in argv
                                else processes.DEFAULT_BUILD)
    programs = processes.Programs(build_dir, build_dir)
    samples = []
    try:
        standin = programs.standin([("Item %d" % i, (i * 80, 300, i * 80 + 75, 375)) for i in range(1, ITEMS)] + [ICON])
        product = programs.product("--track-period-ms=%d" % TRACK_PERIOD_MS, "--report-holdings-every=%d" % every,
                                   *plants)
        began = time.monotonic()
        print("soak: %d walks (%d of warm-up), %d-item desktop, the icon last %s"
              % (total, warm_up, ITEMS, " ".join(plants)), flush=True)
        while not samples or samples[-1]["walks"] < total:
            line = product.next_line(REPORT_LIMIT)
            check(line is not None, "no report from the program for %.0f s after %d walks: it hangs or ended"
                  % (REPORT_LIMIT, samples[-1]["walks"] if samples else 0))
            if not line.startswith("HOLDINGS "):
                continue
            sample = {"walks": int(line.split()[1])}
            sample.update((k, int(v)) for k, v in (w.split("=") for w in line.split()[2:]))
            sample.update(("standin_" + k, int(v)) for k, v in (w.split("=") for w in standin.command("holdings").split()))
            samples.append(sample)
            if len(samples) % 8 == 0:
                print("  %6d walks, %4.0f s" % (sample["walks"], time.monotonic() - began), flush=True)
        standin.remove(ICON[0])
        code = product.wait()
        print("  %d walks in %.0f s; exit code after the icon went: %s" % (samples[-1]["walks"],
                                                                          time.monotonic() - began, code))
        grows = judge(samples, warm_up)
    except processes.Failure as failure:
        print("soak FAILED: %s" % failure)
        return 1
    finally:
        programs.close()
        if samples:
            out = os.path.dirname(build_dir)
            with open(os.path.join(out, "soak.tsv"), "w") as tsv:
                tsv.write("\n".join("\t".join(str(v) for v in row) for row in
                                    [list(samples[0])] + [list(s.values()) for s in samples]) + "\n")
            plot(samples, warm_up, os.path.join(out, "soak.png"))
    print("verdict: %s; exit code %s" % ("grows" if grows else "flat, no growth in threads, handles or objects", code))
    return 0 if not grows and code == 0 else 1
