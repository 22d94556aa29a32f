"""soak [--ticks N] [--warm-up N] [--plant-leak-bytes N] [--plant-thread-every N] [--smoke] [--build-dir DIR]

A bubble left alone (docs/soak.md): the instrumented build tracks an
unchanged icon every 70 ms, reporting what it holds every 250 walks, and the
stand-in is asked the same; memory, threads and handles are judged after the
warm-up. Writes soak.tsv and soak.png beside the build folder; exits 1 when
anything grows (not in the smoke form) or the program hangs or fails."""

import os
import time

import processes
from processes import check, option

ITEMS, ICON = 10, ("marrowtune", (20, 100, 95, 170))
TRACK_PERIOD_MS = 70
REPORT_EVERY, SMOKE_REPORT_EVERY = 250, 50   # walks between two reports
REPORT_LIMIT = 300.0                         # seconds without a report: the program hangs
PAGE, HEAP_FLOOR = 4096, 0.1                 # bytes; bytes a walk
THREAD_CEILING = 4                           # the program's, Wine's COM helper, the pool's peak of two workers
MEMORY, COUNTS = ("private", "heap", "standin_heap"), ("threads", "handles", "standin_handles")
WALKS_PER_DAY = 24 * 3600 / 0.7              # at the program's own period


def slope(xs, ys):
    """The least-squares slope of ys against xs, and its standard error."""
    n, mx, my = len(xs), sum(xs) / len(xs), sum(ys) / len(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    b = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx
    return b, (sum((y - my - b * (x - mx)) ** 2 for x, y in zip(xs, ys)) / (n - 2) / sxx) ** 0.5


def judge(samples, warm_up):
    """Prints a line per figure; returns whether any grows."""
    judged = [s for s in samples if s["walks"] >= warm_up]
    check(len(judged) >= 3, "too few samples after the warm-up: %d" % len(judged))
    walks, grows = [s["walks"] for s in judged], False
    print("%-16s %13s %13s %14s %10s  verdict" % ("figure", "after warm-up", "at the end", "slope, B/walk", "resolves"))
    for name in MEMORY:
        b, error = slope(walks, [s[name] for s in judged])
        resolution = max(2 * error, PAGE / (walks[-1] - walks[0]) if name == "private" else HEAP_FLOOR)
        grows |= b > resolution
        print("%-16s %13d %13d %14.2f %10.2f  %s (%.2f MB a day)" % (name, judged[0][name], judged[-1][name], b,
              resolution, "grows" if b > resolution else "flat", b * WALKS_PER_DAY / 1e6))
    for name in COUNTS:
        ceiling = THREAD_CEILING if name == "threads" else max(s[name] for s in samples if s["walks"] < warm_up)
        highest = max(s[name] for s in judged)
        grows |= highest > ceiling
        print("%-16s %13d %13d %14s %10s  %s (at most %d; highest after the warm-up %d)" % (name, judged[0][name],
              judged[-1][name], "-", "-", "grows" if highest > ceiling else "no growth", ceiling, highest))
    return grows


def plot(samples, warm_up, path):
    from matplotlib.figure import Figure   # no display: drawn straight to the file
    figure = Figure(figsize=(8, 6))
    memory, counts = figure.subplots(2, 1, sharex=True)
    walks = [s["walks"] for s in samples]
    for name, label in zip(MEMORY, ("program, committed outside its threads", "program, busy heap",
                                    "stand-in, busy heap")):
        memory.plot(walks, [s[name] / 2 ** 20 for s in samples], label=label)
    for name in COUNTS:
        counts.step(walks, [s[name] for s in samples], where="post", label=name.replace("_", " "))
    for axes, unit in ((memory, "MiB"), (counts, "count")):
        axes.axvline(warm_up, color="grey", linestyle=":")
        axes.set_ylabel(unit)
        axes.legend(fontsize="small")
    counts.set_xlabel("walks (tracking ticks); dotted: the end of the warm-up")
    memory.set_title("The program and the stand-in desktop over the soak")
    figure.savefig(path, dpi=100)


def main(argv):
    every = SMOKE_REPORT_EVERY if "--smoke" in argv else REPORT_EVERY
    warm_up = int(option(argv, "--warm-up", 2 * every if "--smoke" in argv else 1000))
    total = warm_up + int(option(argv, "--ticks", 3 * every if "--smoke" in argv else 10000))
    plants = ["%s=%s" % (n, option(argv, n)) for n in ("--plant-leak-bytes", "--plant-thread-every") if n in argv]
    build_dir = os.path.abspath(option(argv, "--build-dir", processes.DEFAULT_BUILD))
    programs, samples, began, code, grows = processes.Programs(build_dir, build_dir), [], time.monotonic(), None, None
    print("soak: %d walks (%d of warm-up), %d items, the icon last %s" % (total, warm_up, ITEMS, " ".join(plants)))
    try:
        standin = programs.standin([("Item %d" % i, (i * 80, 300, i * 80 + 75, 375)) for i in range(1, ITEMS)] + [ICON])
        product = programs.product("--track-period-ms=%d" % TRACK_PERIOD_MS, "--report-holdings-every=%d" % every,
                                   *plants)
        while not samples or samples[-1]["walks"] < total:
            line = product.next_line(REPORT_LIMIT)
            check(line is not None, "no report from the program for %.0f s: it hangs or ended" % REPORT_LIMIT)
            if line.startswith("HOLDINGS "):   # the program's figures, then the stand-in's, named standin_*
                words = line.split()[2:] + ["standin_" + word for word in standin.command("holdings").split()]
                samples.append({"walks": int(line.split()[1]), **{k: int(v) for k, v in (w.split("=") for w in words)}})
                if len(samples) % 8 == 0:
                    print("  %6d walks, %4.0f s" % (samples[-1]["walks"], time.monotonic() - began), flush=True)
        standin.remove(ICON[0])
        code = product.wait()
        print("  %d walks in %.0f s; exit code after the icon went: %s" % (total, time.monotonic() - began, code))
        grows = judge(samples, warm_up)
    except processes.Failure as failure:
        print("soak FAILED: %s" % failure)
    finally:
        programs.close()
        if samples:
            with open(os.path.join(os.path.dirname(build_dir), "soak.tsv"), "w") as tsv:
                tsv.write("".join("\t".join(map(str, row)) + "\n" for row in [list(samples[0])] +
                                  [list(s.values()) for s in samples]))
            plot(samples, warm_up, os.path.join(os.path.dirname(build_dir), "soak.png"))
    verdict = {None: "failed", True: "grows"}.get(grows, "flat, no growth in threads or handles")
    print("verdict: %s; exit code %s" % (verdict, code))
    return 0 if (not grows or "--smoke" in argv and grows is not None) and code == 0 else 1
