"""Programs under Wine as the driver starts and ends them, and the client of
the stand-in desktop's command language (the one besides the C++ kit's).

Every program's standard output is read line by line as it comes: the
stand-in's answers, and the reports of the instrumented build (PRESENT,
STARTUP, HOLDINGS lines). Needs DISPLAY and WINEPREFIX, as the entry
scripts set them."""

import os
import queue
import subprocess
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_BUILD = os.path.join(ROOT, "build", "mingw")
# Generous bounds: they only end a run that hangs.
READY_LIMIT = 60.0
ANSWER_LIMIT = 30.0
EXIT_LIMIT = 30.0


class Failure(Exception):
    """What a program, the screen or a figure showed that it must not."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def counter_now():
    """The performance counter of the programs under Wine (CLOCK_MONOTONIC_RAW in 100 ns units)."""
    return int(time.clock_gettime(time.CLOCK_MONOTONIC_RAW) * 1e7)


def environment():
    missing = [name for name in ("DISPLAY", "WINEPREFIX") if not os.environ.get(name)]
    check(not missing, "%s not set: run through the scripts, which start the screen and Wine" % " and ".join(missing))
    return {"WINEDEBUG": "-all", **os.environ}


def run_wine(*command):
    """A Wine tool (reg, wineserver...) run to its end; its exit code."""
    return subprocess.call(list(command), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, env=environment(), timeout=EXIT_LIMIT)


class Program:
    """A program under Wine, known by its PID (`wine` execs it in place, so
    ending that PID ends the Windows process). Its stdout lines gather in
    `lines`; its stderr goes to `log_path`."""

    def __init__(self, name, argv, log_path, stdin=False):
        self.name = name
        self.log_path = log_path
        self._log = open(log_path, "wb")
        self.popen = subprocess.Popen(["wine"] + list(argv), stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=self._log, env=environment())
        self.pid = self.popen.pid
        self.lines = []
        self._new = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.popen.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            self.lines.append(line)
            self._new.put(line)
        self._new.put(None)

    def next_line(self, limit):
        """The next stdout line not yet taken, or None after `limit` s or at the end."""
        try:
            return self._new.get(timeout=limit)
        except queue.Empty:
            return None

    def running(self):
        return self.popen.poll() is None

    def wait(self, limit=EXIT_LIMIT):
        """The exit code, or None when the program still runs after `limit` s."""
        try:
            return self.popen.wait(limit)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.running():
            self.popen.kill()
        self.wait()
        self._log.close()

    def log_tail(self, count=20):
        with open(self.log_path, "rb") as log:
            return "\n".join(log.read().decode("utf-8", "replace").splitlines()[-count:])


class Standin(Program):
    """desktop-standin.exe, driven by its line commands."""

    def __init__(self, exe, log_path, arguments=()):
        super().__init__("desktop-standin", [exe] + list(arguments), log_path, stdin=True)

    def wait_ready(self):
        ready = self.next_line(READY_LIMIT)
        check(ready == "ready", "the stand-in desktop did not start: %r %s" % (ready, self.log_tail()))
        # Another program's desktop windows would be found instead of ours.
        check("already exist" not in self.log_tail(), "left-over desktop windows: %s" % self.log_tail())

    def command(self, line):
        """Sends one command line; returns the text after "ok" in its answer."""
        check(self.running(), "the stand-in desktop is gone before %r" % line)
        self.popen.stdin.write((line + "\n").encode("utf-8"))
        self.popen.stdin.flush()
        answer = self.next_line(ANSWER_LIMIT)
        check(answer is not None and (answer == "ok" or answer.startswith("ok ")),
              "the stand-in desktop answered %r to %r" % (answer, line))
        return answer[3:]

    def add(self, name, icon):
        self.command('add "%s" %d %d %d %d' % ((name,) + tuple(icon)))

    def move(self, name, icon):
        self.command('move "%s" %d %d %d %d' % ((name,) + tuple(icon)))

    def remove(self, name):
        self.command('remove "%s"' % name)

    def stop(self):
        if self.running():
            try:
                self.popen.stdin.close()   # the end of its input ends the stand-in
                self.popen.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                pass
        super().stop()


class Programs:
    """The programs one run starts (a scenario, the demo, a benchmark, the
    soak), from the build folder `build_dir`, with logs in `work_dir`."""

    def __init__(self, build_dir, work_dir):
        self.build_dir = os.path.abspath(build_dir)
        self.work_dir = work_dir
        self.started = []

    def path(self, *parts):
        exe = os.path.join(self.build_dir, *parts)
        check(os.path.isfile(exe), "%s is missing: build first" % exe)
        return exe

    def _log(self, name):
        return os.path.join(self.work_dir, "%02d-%s.log" % (len(self.started), name))

    def start(self, name, argv):
        self.started.append(Program(name, argv, self._log(name)))
        return self.started[-1]

    def standin(self, icons=(), arguments=()):
        standin = Standin(self.path("tests", "desktop-standin.exe"), self._log("desktop-standin"), arguments)
        self.started.append(standin)
        standin.wait_ready()
        for name, icon in icons:
            standin.add(name, icon)
        return standin

    def product(self, *options):
        """The program's code as the instrumented build runs it, with `options`."""
        return self.start("marrowtune-bubble", [self.path("bench", "marrowtune-bubble-instrumented.exe")] + list(options))

    def bench(self, *arguments):
        return self.start("bench", [self.path("bench", "bench.exe")] + list(arguments))

    def close(self):
        """Ends every program started, newest first."""
        for program in reversed(self.started):
            program.stop()

    def leftovers(self):
        return [(p.name, p.pid) for p in self.started if p.running()]
