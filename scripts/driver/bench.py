"""bench [--plant-slowdown] [--smoke] [--only startup|locator|tick|idle|steady] [--build-dir DIR]

The benchmarks (docs/benchmarks.md): judges their rows and ends with a table
(also in bench-results.md beside the build folder) and a line that says how
the run went. Exits 0 when every target is met, 1 when one is not or a
benchmark failed, 3 when none failed but a row is within noise."""

import contextlib
import math
import os
import platform
import signal
import statistics
import subprocess
import time

import processes
from processes import check, counter_now

PLANT_MARGINS = 1.5                    # as bench/bench.h's
TRACK_PERIOD = 0.7                     # the program's tracking period, seconds
DESKTOP_ITEMS = 100                    # the start-up's and idle cost's desktops, the icon last
STARTUP_RUNS, STARTUP_TARGET = 15, 1.2
STANDARD_DPI, SCALED_DPI = 96, 192   # 100 % and 200 %
IDLE_PAIRS, IDLE_TARGET = 16, 1.05     # product windows, each between two baseline windows
IDLE_WINDOW, IDLE_SETTLE, IDLE_START = 7 * TRACK_PERIOD, 2 * TRACK_PERIOD, 4.0
GROWTH_LIMIT = 64 * 1024               # bytes the steady state may grow by
TARGET_ICON = "marrowtune"


def verdict(ratios, target):
    """The median's distribution-free 95 % interval (order statistics k and n + 1 - k, the largest k with
    P(Binomial(n, 1/2) < k) <= 2.5 %): NOT MET wholly above the target, met wholly at or below, else within noise."""
    ordered, n, rank = sorted(ratios), len(ratios), 0
    while rank < n // 2 and sum(math.comb(n, j) for j in range(rank + 1)) / 2 ** n <= 0.025:
        rank += 1
    if not rank or ordered[rank - 1] <= target < ordered[-rank]:
        return "within noise"
    return "NOT MET" if ordered[rank - 1] > target else "met"


def described(values, digits=1):
    return "%.*f (%.*f-%.*f)" % (digits, statistics.median(values), digits, min(values), digits, max(values)) \
        if values else "-"


class Run:
    """The rows of one run, printed as they come."""

    def __init__(self, smoke, plant):
        self.smoke, self.rows, self.medians = smoke, [], {}
        self.options = (["--smoke"] if smoke else []) + (["--plant-slowdown"] if plant else [])

    def row(self, benchmark, figure, product, baseline="-", ratio="-", target="-", judged="-"):
        self.rows.append((benchmark, figure, product, baseline, ratio, target, "-" if self.smoke else judged))
        print("  " + " | ".join(str(cell) for cell in self.rows[-1][1:]), flush=True)

    def compared(self, benchmark, figure, product, baseline, ratios, target, digits=1):
        """Product and baseline values with the ratios of their pairs, judged against `target` (0: none)."""
        self.medians[figure] = (statistics.median(product), statistics.median(baseline))
        self.row(benchmark, figure, described(product, digits), described(baseline, digits), described(ratios, 3),
                 "<= %g" % target if target else "-", verdict(ratios, target) if target else "-")

    def bench_rows(self, programs, *command):
        """Runs bench.exe with `command` and judges its ROW lines."""
        bench = programs.bench(*command, *self.options)
        check(bench.wait(None) == 0, "bench.exe %s failed: %s" % (" ".join(command), bench.log_tail()))
        for line in (line for line in bench.lines if line.startswith("ROW ")):
            name, figure, target, *series = line[4:].split("|")
            product, baseline, ratios = ([float(v) for v in values.split()] for values in series)
            self.compared(name, figure, product, baseline, ratios, float(target))


def desktop(items, icon=(20, 100, 95, 170)):
    """`items` icons in rows of ten, the icon last."""
    return [("Item %d" % i, (i % 10 * 80, 200 + i // 10 * 40, i % 10 * 80 + 75, 230 + i // 10 * 40))
            for i in range(items - 1)] + [(TARGET_ICON, icon)]


def startup(run, programs, plant):
    """Start-up, from the entry to the first presentation, against the baseline in turn, at 100 % and on a
    display scaled to 200 % (the larger pictures); both walk a 100-item desktop the stand-in serves."""
    for dpi in (STANDARD_DPI, SCALED_DPI):
        with processes.wine_setup([(processes.LOG_PIXELS, dpi, STANDARD_DPI)]) if dpi != STANDARD_DPI \
                else contextlib.nullcontext():
            programs.standin(desktop(DESKTOP_ITEMS))
            startup_at(run, programs, plant, "%d %%" % (dpi * 100 // STANDARD_DPI))
            programs.close()


def startup_at(run, programs, plant, scale):
    def start(product, *options):
        began = counter_now()
        program = programs.product("--report-startup", *options) if product else \
            programs.bench("bare", "--report-startup")
        line = next((line.split() for line in program.lines if line.startswith("STARTUP ")), None) \
            if program.wait() == 0 else None
        check(line is not None, "%s sent no start-up report: %s" % (program.name, program.log_tail()))
        return (int(line[2]) - int(line[1])) / 1e4, (int(line[2]) - began) / 1e4   # ms

    start(True)   # warming up: the file cache, Wine's first loads
    planted = ["--plant-walk-us=%d" % (PLANT_MARGINS * (STARTUP_TARGET - 1) * start(False)[0] * 1e3)] if plant else []
    runs = []
    for index in range(1 if run.smoke else STARTUP_RUNS):   # which goes first changes from run to run
        first, second = start(index % 2 == 0, *planted), start(index % 2 != 0, *planted)
        runs.append((first, second) if index % 2 == 0 else (second, first))
    run.compared("start-up", "at %s: entry to the first presentation, ms" % scale, [p[0] for p, _ in runs],
                 [b[0] for _, b in runs], [p[0] / b[0] for p, b in runs], STARTUP_TARGET)
    run.compared("start-up", "at %s: process start to the first presentation (Wine's start included), ms" % scale,
                 [p[1] for p, _ in runs], [b[1] for _, b in runs], [], 0)


def tick(run, programs, plant):
    """The tracking tick (bench/walks.cpp) in-process, then served by the stand-in; and what one more desktop
    item costs each side in-process: the difference of the medians at 1,000 and 10."""
    run.bench_rows(programs, "tick")
    for items in (10,) if run.smoke else (10, 100):
        standin = programs.standin(desktop(items))
        run.bench_rows(programs, "tick", str(items))
        standin.stop()
    first, last = (run.medians.get("%d items in-process, us per tick" % items) for items in (10, 1000))
    if first and last:
        run.row("tracking tick", "per desktop item in-process, us", "%.3f" % ((last[0] - first[0]) / 990),
                "%.3f" % ((last[1] - first[1]) / 990))


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")   # user and system time


def idle(run, programs, plant):
    """Idle cost, as shares of one core (/proc): the two take turns, each stopped while the other has its
    window, B P B ... P B, so that the machine's load changes alike for both; each product window is set
    against the mean of its neighbours."""
    standin = programs.standin(desktop(DESKTOP_ITEMS))
    pairs, window = (1, IDLE_SETTLE) if run.smoke else (IDLE_PAIRS, IDLE_WINDOW)
    baseline = programs.bench("bare", "--track")

    def share(program):
        os.kill(program.pid, signal.SIGCONT)
        time.sleep(IDLE_SETTLE)
        began, cpu = time.monotonic(), cpu_seconds(program.pid)
        time.sleep(window)
        used = (cpu_seconds(program.pid) - cpu) / (time.monotonic() - began)
        os.kill(program.pid, signal.SIGSTOP)
        return 100 * used

    if plant:   # busy work as every walk begins: 1.5 times the margin of the baseline's CPU time a tick
        time.sleep(IDLE_START)
        planted = PLANT_MARGINS * (IDLE_TARGET - 1) * share(baseline) / 100 * TRACK_PERIOD * 1e6
        product = programs.product("--plant-walk-us=%d" % planted)
    else:
        product = programs.start("marrowtune-bubble", [programs.path("marrowtune-bubble.exe")])
    time.sleep(IDLE_START)
    for program in (baseline, product):
        check(program.running(), "%s ended before the idle windows" % program.name)
        os.kill(program.pid, signal.SIGSTOP)
    shares = [share(baseline)] + [share(program) for _ in range(pairs) for program in (product, baseline)]
    bases, prods = shares[0::2], shares[1::2]
    for program in (baseline, product):
        os.kill(program.pid, signal.SIGCONT)
    standin.remove(TARGET_ICON)
    check((product.wait(), baseline.wait()) == (0, 0), "the icon went, and the two did not end by themselves with 0")
    run.compared("idle cost", "CPU share of one core, %d items, %%; ratio of each product window" % DESKTOP_ITEMS,
                 prods, bases, [p / ((a + b) / 2) for p, a, b in zip(prods, bases, bases[1:])], IDLE_TARGET, 2)
    run.row("idle cost", "noise floor: two adjacent baseline windows differ by, %", "-",
            described([abs(b / a - 1) * 100 for a, b in zip(bases, bases[1:])]))


def steady(run, programs, plant):
    """Steady state (bench/steady_state.cpp): growth of what the process holds in each phase."""
    program = programs.bench("steady", *run.options)
    check(program.wait(None) == 0, "bench.exe steady failed: %s" % program.log_tail())
    held = {words[1]: dict(word.split("=") for word in words[2:])
            for words in (line.split() for line in program.lines if line.startswith("HOLDINGS "))}
    for phase, previous, what in (("ticks", "start", "10,000 ticks"), ("switches", "ticks", "1,000 side switches")):
        for key, limit in (("private", GROWTH_LIMIT), ("gdi", 0), ("user", 0)):
            growth = int(held[phase][key]) - int(held[previous][key])
            run.row("steady state", "%s: growth of %s" % (what, key), growth, "-", "-", "<= %d" % limit,
                    "met" if growth <= limit else "NOT MET")


BENCHMARKS = {"startup": startup, "locator": lambda run, programs, plant: run.bench_rows(programs, "locator"),
              "tick": tick, "idle": idle, "steady": steady}


def main(argv):
    plant, smoke, only = "--plant-slowdown" in argv, "--smoke" in argv, processes.option(argv, "--only")
    build_dir = os.path.abspath(processes.option(argv, "--build-dir", processes.DEFAULT_BUILD))
    if "--help" in argv or only not in (None, *BENCHMARKS):
        print(__doc__)
        return 2
    run, failures, load = Run(smoke, plant), [], [os.getloadavg()]
    for name in [only] if only else BENCHMARKS:
        print("\n== %s%s" % (name, " (planted slow-downs)" if plant else ""), flush=True)
        programs = processes.Programs(build_dir, build_dir)
        try:
            BENCHMARKS[name](run, programs, plant)
        except processes.Failure as failure:
            failures.append("%s: %s" % (name, failure))
            print("  FAILED: %s" % failure)
        finally:
            programs.close()
    load.append(os.getloadavg())
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    date = time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())
    results = "%s, %d cores, %s; load average %.2f before, %.2f after; %s.%s Measured under Wine on Xvfb.\n\n" % (
        platform.machine(), os.cpu_count(), wine, load[0][0], load[1][0], date, " Planted." if plant else "") \
        + "| benchmark | figure | product | baseline | ratio | target | verdict |\n|---|---|---|---|---|---|---|\n" \
        + "".join("| %s |\n" % " | ".join(map(str, row)) for row in run.rows)
    with open(os.path.join(os.path.dirname(build_dir), "bench-results.md"), "w") as out:
        out.write(results)
    not_met, noisy = ([row[-1] for row in run.rows].count(judged) for judged in ("NOT MET", "within noise"))
    print("\n" + results + "".join("benchmark failed: %s\n" % failure for failure in failures))
    if failures or not_met:
        print("%d target(s) not met, %d row(s) within noise, %d benchmark(s) failed" % (not_met, noisy, len(failures)))
        return 1
    if noisy:
        print("no target failed, but %d row(s) within noise: no verdict on them" % noisy)
        return 3
    print("smoke run: no verdicts" if smoke else "every target met")
    return 0
