"""bench [--plant-slowdown] [--smoke] [--only NAME] [--build-dir DIR]

The benchmarks: each sets the program's code against a bare baseline in the
same run and gives its rows; this judges them and ends with a table (also in
<build>/../bench-results.md) and one line that says how the run went. Exits
0 when every target is met, 1 when one is not met or a benchmark failed, 3
when no target failed but a row is within noise. --plant-slowdown plants in
the product's side of each a slow-down of 1.5 times its target's margin,
sized on the baseline: every judged row must then say NOT MET. --smoke runs
one small round of each, without verdicts; --only runs one benchmark:
startup, locator, tick, idle, steady, wait."""

import os
import platform
import random
import signal
import statistics
import subprocess
import time

import e2e
import harness
import processes
import scenarios
from processes import check, counter_now

PLANT_MARGINS = 1.5                    # as bench/bench.h's
TRACK_PERIOD = 0.7                     # the program's tracking period, seconds
COUNTS_PER_SECOND = 1e7                # the performance counter under Wine
DESKTOP_ITEMS = 100                    # the desktops of start-up and idle cost, icon last
ICON = (20, 100, 95, 170)
STARTUP_RUNS, STARTUP_TARGET = 15, 1.2
IDLE_PAIRS, IDLE_TARGET = 16, 1.05     # product windows, each between two baseline windows
IDLE_WINDOW, IDLE_SETTLE, IDLE_START = 7 * TRACK_PERIOD, 2 * TRACK_PERIOD, 4.0
GROWTH_LIMIT = 64 * 1024               # bytes the steady state may grow by
WAIT_SAMPLES, WAIT_DESKTOPS, WAIT_SEED = 11, (10, 100), 15
WAIT_PLACES = ((20, 100, 95, 170), (20, 300, 95, 370))   # both with room on the right
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
NO_VERDICT = "-"


def median_interval(values):
    """The median and its distribution-free 95 % confidence interval (order
    statistics of the sorted values), or None for the interval when there
    are too few values for one."""
    ordered = sorted(values)
    n, rank, below, term = len(ordered), 0, 0.0, 0.5 ** len(ordered)
    for k in range(1, n // 2 + 1):   # the largest k with P(Binomial(n, 1/2) < k) <= 2.5 %
        below += term
        if below > 0.025:
            break
        rank, term = k, term * (n - k + 1) / k
    return statistics.median(ordered), (ordered[rank - 1], ordered[n - rank]) if rank else None


def verdict(ratios, target):
    """NOT MET when the interval lies wholly above the target, met when wholly
    at or below it, within noise when it straddles the target."""
    _, bounds = median_interval(ratios)
    if bounds is None or bounds[0] <= target < bounds[1]:
        return "within noise"
    return "NOT MET" if bounds[0] > target else "met"


def described(values, digits=1):
    if not values:
        return NO_VERDICT
    middle, low, high = statistics.median(values), min(values), max(values)
    return "%.*f (%.*f-%.*f)" % (digits, middle, digits, low, digits, high)


class Run:
    """The rows of one run of the benchmarks, printed as they come."""

    def __init__(self, smoke, plant):
        self.smoke = smoke
        self.options = (["--smoke"] if smoke else []) + (["--plant-slowdown"] if plant else [])
        self.rows = []
        self.medians = {}   # figure: (product, baseline)

    def row(self, benchmark, figure, product, baseline="-", ratio="-", target="-", judged=NO_VERDICT):
        row = (benchmark, figure, product, baseline, ratio, target, NO_VERDICT if self.smoke else judged)
        self.rows.append(row)
        print("  " + " | ".join(str(cell) for cell in row[1:]), flush=True)

    def compared(self, benchmark, figure, product, baseline, ratios, target, digits=1):
        """A row of product and baseline values with the ratios of their pairs, judged against `target` (0: none)."""
        if product and baseline:
            self.medians[figure] = (statistics.median(product), statistics.median(baseline))
        ratio = "%.3f" % statistics.median(ratios) if ratios else "-"
        if target and len(ratios) > 1:
            ratio += " (%.3f-%.3f)" % (min(ratios), max(ratios))
        self.row(benchmark, figure, described(product, digits), described(baseline, digits), ratio,
                 "<= %g" % target if target else "-", verdict(ratios, target) if target else NO_VERDICT)

    def bench_rows(self, programs, *arguments):
        """Runs bench.exe with `arguments` and takes over its ROW lines."""
        bench = programs.bench(*arguments)
        check(bench.wait(None) == 0, "bench.exe %s failed: %s" % (" ".join(arguments), bench.log_tail()))
        for line in bench.lines:
            if line.startswith("ROW "):
                name, figure, target, *series = line[4:].split("|")
                product, baseline, ratios = ([float(v) for v in values.split()] for values in series)
                self.compared(name, figure, product, baseline, ratios, float(target))


def tick(run, programs):
    """The tracking tick (bench/tick.cpp), and what one more desktop item
    costs each side: the difference of the medians at 1,000 and 10 items."""
    run.bench_rows(programs, "tick", *run.options)
    first, last = (run.medians.get("%d items in-process, us per tick" % items) for items in (10, 1000))
    if first and last:
        run.row("tracking tick", "per desktop item in-process, us", "%.3f" % ((last[0] - first[0]) / 990),
                "%.3f" % ((last[1] - first[1]) / 990))


def desktop(items, icon=ICON):
    """A desktop of `items` icons in a row of columns, the icon last."""
    return [("Item %d" % i, (i % 10 * 80, 200 + i // 10 * 40, i % 10 * 80 + 75, 230 + i // 10 * 40))
            for i in range(items - 1)] + [(harness.TARGET_ICON, icon)]


def startup(run, programs, plant):
    """Start-up: what the program's own code adds to Wine's start of a
    process, from its entry to its first presentation, against the baseline
    program doing the same platform work bare; both walk a 100-item desktop
    served by the stand-in, and take turns."""
    programs.standin(desktop(DESKTOP_ITEMS))

    def start(product, *options):
        began = counter_now()
        program = programs.product("--report-startup", *options) if product else programs.bench("bare",
                                                                                                 "--report-startup")
        check(program.wait() == 0, "%s ended without its start-up report" % program.name)
        line = next((line.split() for line in program.lines if line.startswith("STARTUP ")), None)
        check(line is not None, "%s sent no start-up report" % program.name)
        return (int(line[2]) - int(line[1])) / COUNTS_PER_SECOND, (int(line[2]) - began) / COUNTS_PER_SECOND

    start(True)   # warming up: the file cache, Wine's first loads
    planted = ["--plant-walk-us=%d" % (PLANT_MARGINS * (STARTUP_TARGET - 1) * start(False)[0] * 1e6)] if plant else []
    runs = []
    for index in range(1 if run.smoke else STARTUP_RUNS):   # which goes first changes from run to run
        first = start(index % 2 == 0, *planted)
        second = start(index % 2 != 0, *planted)
        runs.append((first, second) if index % 2 == 0 else (second, first))
    run.compared("start-up", "entry to the first presentation, ms", [p[0] * 1e3 for p, _ in runs],
                 [b[0] * 1e3 for _, b in runs], [p[0] / b[0] for p, b in runs], STARTUP_TARGET)
    run.compared("start-up", "process start to the first presentation (Wine's start included), ms",
                 [p[1] * 1e3 for p, _ in runs], [b[1] * 1e3 for _, b in runs], [], 0)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS   # utime and stime


def idle(run, programs, plant):
    """Idle cost: the real program tracking an unchanged icon on a 100-item
    desktop served by the stand-in, against the baseline program walking
    every tracking period, as shares of one core read from /proc. The two
    take turns, each stopped (SIGSTOP) while the other has its window:
    B P B ... P B, each product window against the mean of its neighbours."""
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

    if plant:   # busy work as every walk begins: the target's margin, and half as much, of the baseline's CPU per tick
        time.sleep(IDLE_START)
        planted = PLANT_MARGINS * (IDLE_TARGET - 1) * share(baseline) / 100 * TRACK_PERIOD * 1e6
        product = programs.product("--plant-walk-us=%d" % planted)
        print("  planted: %d us of busy work as every walk begins" % planted)
    else:
        product = programs.start("marrowtune-bubble", [programs.path("marrowtune-bubble.exe")])
    time.sleep(IDLE_START)
    for program in (baseline, product):
        check(program.running(), "%s ended before the idle windows" % program.name)
        os.kill(program.pid, signal.SIGSTOP)
    bases, prods = [share(baseline)], []
    for _ in range(pairs):
        prods.append(share(product))
        bases.append(share(baseline))
    for program in (baseline, product):
        os.kill(program.pid, signal.SIGCONT)
    standin.remove(harness.TARGET_ICON)   # both must end by themselves, with 0
    codes = (product.wait(), baseline.wait())
    ratios = [p / ((a + b) / 2) for p, a, b in zip(prods, bases, bases[1:])]
    run.compared("idle cost", "CPU share of one core, %d items, %%; ratio of each product window" % DESKTOP_ITEMS,
                 prods, bases, ratios, IDLE_TARGET, 2)
    run.row("idle cost", "noise floor: two adjacent baseline windows differ by, %", "-",
            described([abs(b / a - 1) * 100 for a, b in zip(bases, bases[1:])]))
    run.row("idle cost", "exit codes after the icon went", codes[0], codes[1], "-", "0",
            "met" if codes == (0, 0) else "NOT MET")


def steady(run, programs, plant):
    """Steady state (bench/steady_state.cpp): what the process holds after
    10,000 ticks and after 1,000 side switches may grow by at most 64 KiB
    and by no object."""
    program = programs.bench("steady", *run.options)
    check(program.wait(None) == 0, "bench.exe steady failed: %s" % program.log_tail())
    held = {words[1]: {k: int(v) for k, v in (word.split("=") for word in words[2:])}
            for words in (line.split() for line in program.lines if line.startswith("HOLDINGS "))}
    for phase, previous, what in (("ticks", "start", "10,000 ticks"), ("switches", "ticks", "1,000 side switches")):
        for key, name, limit in (("private", "private bytes", GROWTH_LIMIT), ("gdi", "GDI objects", 0),
                                 ("user", "USER objects", 0)):
            growth = held[phase][key] - held[previous][key]
            run.row("steady state", "%s: %s growth" % (what, name), growth, "-", "-", "<= %d" % limit,
                    "met" if growth <= limit else "NOT MET")


def wait(run, programs, plant):
    """The user's wait, the desktop served by the stand-in: from an icon's
    move to the first presentation at its new place that shows something,
    and from the release of a click on the button (xdotool's start
    included) to the first presentation of the fade-out; at moments spread
    over the tracking period. No target: what the walk costs a user."""
    chance = random.Random(WAIT_SEED)
    samples = 1 if run.smoke else WAIT_SAMPLES

    def presented(program, wanted):
        while True:
            line = program.next_line(harness.APPEAR_LIMIT)
            check(line is not None, "%s presented nothing more" % program.name)
            if line.startswith("PRESENT ") and wanted(harness.Presentation(*map(int, line.split()[1:]))):
                return int(line.split()[1])

    def faded_in(program):
        presented(program, lambda p: p.alpha == harness.OPAQUE)

    def body(session):
        for items in WAIT_DESKTOPS[:1] if run.smoke else WAIT_DESKTOPS:
            standin = session.start_standin(desktop(items, WAIT_PLACES[0]))
            walks = programs.bench("walks", "5")
            check(walks.wait() == 0, "bench.exe walks failed")
            times = [float(v) for v in next(l for l in walks.lines if l.startswith("ROW ")).split("|")[3].split()]
            run.row("user's wait", "one reference walk, %d items, ms (share of the period %.0f %%)"
                    % (items, statistics.median(times) / TRACK_PERIOD / 10), described(times))
            moves, clicks = [], []
            product = session.start_product()
            faded_in(product)
            for sample in range(samples):
                time.sleep(chance.uniform(0, TRACK_PERIOD))
                icon = WAIT_PLACES[(sample + 1) % 2]
                place = session.geometry.place(icon)
                began = counter_now()
                standin.move(harness.TARGET_ICON, icon)
                moves.append((presented(product, lambda p: (p.x, p.y) == place[:2] and p.width > 0) - began) / 1e4)
                presented(product, lambda p: (p.width, p.height) == session.geometry.size)
            standin.remove(harness.TARGET_ICON)
            scenarios.expect_exit(product, "the program after its icon went")
            standin.add(harness.TARGET_ICON, WAIT_PLACES[0])
            for _ in range(samples):
                product = session.start_product()
                faded_in(product)
                place = session.geometry.place(WAIT_PLACES[0])
                session.move_pointer(*scenarios.on_bubble(session, place, scenarios.BUTTON_MIDDLE["right"]))
                time.sleep(chance.uniform(0, TRACK_PERIOD))
                session.press()
                began = counter_now()
                session.release()
                clicks.append((presented(product, lambda p: p.alpha < harness.OPAQUE) - began) / 1e4)
                scenarios.expect_exit(product, "the program after the click")
                session.park_pointer()
            run.row("user's wait", "icon move to the first presentation at the new place, %d items, ms" % items,
                    described(moves))
            run.row("user's wait", "click release to the first fade-out presentation, %d items, ms" % items,
                    described(clicks))
            standin.stop()

    _, _, failure = e2e.run_session(programs.build_dir, "wait", 3600, body, None)
    check(failure is None, failure)


BENCHMARKS = {
    "startup": startup,
    "locator": lambda run, programs, plant: run.bench_rows(programs, "locator", *run.options),
    "tick": lambda run, programs, plant: tick(run, programs),
    "idle": idle,
    "steady": steady,
    "wait": wait,
}


def table(rows, heading):
    return "\n".join(heading + ["| benchmark | figure | product | baseline | ratio | target | verdict |",
                                "|---|---|---|---|---|---|---|"] +
                     ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]) + "\n"


def loadavg():
    with open("/proc/loadavg") as load:
        return " ".join(load.read().split()[:3])


def main(argv):
    plant, smoke = "--plant-slowdown" in argv, "--smoke" in argv
    build_dir = os.path.abspath(argv[argv.index("--build-dir") + 1] if "--build-dir" in argv else processes.DEFAULT_BUILD)
    names = [argv[argv.index("--only") + 1]] if "--only" in argv else list(BENCHMARKS)
    if not set(names) <= set(BENCHMARKS) or "--help" in argv:
        print(__doc__)
        return 2
    run = Run(smoke, plant)
    load_before, failures = loadavg(), []
    for name in names:
        print("\n== %s%s" % (name, " (planted slow-down)" if plant else ""), flush=True)
        programs = processes.Programs(build_dir, build_dir)
        try:
            BENCHMARKS[name](run, programs, plant)
        except processes.Failure as failure:
            failures.append("%s: %s" % (name, failure))
            print("  FAILED: %s" % failure)
        finally:
            programs.close()
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    heading = ["Machine: %s, %d cores, %s, %s; load average %s before, %s after."
               % (platform.processor() or platform.machine(), os.cpu_count(), platform.platform(), wine, load_before,
                  loadavg()),
               "Date: %s.%s Every figure was measured under Wine on Xvfb." % (
                   time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), " Planted slow-downs." if plant else ""), ""]
    results = table(run.rows, heading)
    with open(os.path.join(os.path.dirname(build_dir), "bench-results.md"), "w") as out:
        out.write(results)
    print("\n" + results)
    verdicts = [row[-1] for row in run.rows]
    not_met, noisy = verdicts.count("NOT MET"), verdicts.count("within noise")
    for failure in failures:
        print("benchmark failed: " + failure)
    if failures or not_met:
        print("%d target(s) not met, %d row(s) within noise, %d benchmark(s) failed" % (not_met, noisy, len(failures)))
        return 1
    if noisy:
        print("no target failed, but %d row(s) within noise: no verdict on them" % noisy)
        return 3
    print("smoke run: no verdicts" if smoke else "every target met")
    return 0
