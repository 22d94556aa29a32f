"""Programs under Wine as the driver starts and ends them, their stdout lines
kept as they come, and the client of the stand-in's command language."""

import contextlib
import os
import queue
import subprocess
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_BUILD = os.path.join(ROOT, "build", "mingw")
READY_LIMIT, ANSWER_LIMIT, EXIT_LIMIT = 60.0, 30.0, 30.0   # generous: they only end a run that hangs


class Failure(Exception):
    """What a program, the screen or a figure showed, and must not have."""


class Skipped(Exception):
    """What a scenario tests, the platform cannot show (it says why): skipped, never passed."""


SKIPPED_EXIT_CODE = 77   # what ctest takes for a skipped test


def check(condition, message):
    if not condition:
        raise Failure(message)


def option(argv, name, default=None):
    """The word after `name` in argv, or `default`."""
    return argv[argv.index(name) + 1] if name in argv[:-1] else default


def counter_now():
    """The programs' performance counter: CLOCK_MONOTONIC_RAW in 100 ns under Wine."""
    return int(time.clock_gettime(time.CLOCK_MONOTONIC_RAW) * 1e7)


def environment():
    missing = [name for name in ("DISPLAY", "WINEPREFIX") if not os.environ.get(name)]
    check(not missing, "%s not set: the entry scripts start the screen and Wine" % " and ".join(missing))
    return {"WINEDEBUG": "-all", **os.environ}


def run_wine(*command):   # a Wine tool (reg, wineserver...) run to its end; its exit code
    return subprocess.call(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           env=environment(), timeout=EXIT_LIMIT)



# Registry values: the display's DPI (the user's scale); Wine reading the monitors from Xinerama, not RandR.
LOG_PIXELS = (r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD")
USE_XRANDR = (r"HKCU\Software\Wine\X11 Driver", "UseXRandR", "REG_SZ")


@contextlib.contextmanager
def wine_setup(values, display=None):
    """Programs started inside run with these registry values set in the prefix (((key, name, type), data
    during, data after or None to delete), ...) and on X display `display` when given. Wine's server and
    desktop start anew on the way in and out, whatever happens: the monitors and DPI are read as it starts."""
    def restart(which):
        for (key, name, kind), during, after in values:
            data = during if which == 0 else after
            command = ("wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f") if data is not None \
                else ("wine", "reg", "delete", key, "/v", name, "/f")
            code = run_wine(*command)
            check(code == 0 or data is None, "%s ended with %d" % (command, code))   # a delete may find nothing
        for command in (("wineserver", "-k"), ("wineserver", "-w"), ("wineserver", "-p"), ("wine", "cmd", "/c", "exit")):
            check(run_wine(*command) == 0, "%s failed while setting Wine up" % (command,))
    original = os.environ.get("DISPLAY")
    try:
        if display:
            os.environ["DISPLAY"] = display
        restart(0)
        yield
    finally:
        if original is not None:
            os.environ["DISPLAY"] = original
        restart(1)

class Program:
    """A program under Wine, known by its PID (`wine` execs it in place).
    Its stdout lines gather in `lines`; its stderr goes to `log_path`."""

    def __init__(self, name, argv, log_path):
        self.name, self.log_path, self.lines, self._new = name, log_path, [], queue.Queue()
        self._log = open(log_path, "wb")
        self.popen = subprocess.Popen(["wine"] + list(argv), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=self._log, env=environment())
        self.pid = self.popen.pid
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.popen.stdout:
            self.lines.append(raw.decode("utf-8", "replace").rstrip("\r\n"))
            self._new.put(self.lines[-1])
        self._new.put(None)

    def next_line(self, limit):   # the next line not yet taken; None after `limit` s or at the end
        try:
            return self._new.get(timeout=limit)
        except queue.Empty:
            return None

    def running(self):
        return self.popen.poll() is None

    def wait(self, limit=EXIT_LIMIT):   # the exit code; None when it still runs after `limit` s
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

    def wait_ready(self):
        ready = self.next_line(READY_LIMIT)
        check(ready == "ready", "the stand-in desktop did not start: %r %s" % (ready, self.log_tail()))
        # Another program's desktop windows would be found instead of ours.
        check("already exist" not in self.log_tail(), "left-over desktop windows: %s" % self.log_tail())

    def command(self, line):   # the text after "ok" in the answer to `line`
        check(self.running(), "the stand-in desktop is gone before %r" % line)
        self.popen.stdin.write((line + "\n").encode("utf-8"))
        self.popen.stdin.flush()
        answer = self.next_line(ANSWER_LIMIT)
        check(answer is not None and (answer + " ").startswith("ok "),
              "the stand-in desktop answered %r to %r" % (answer, line))
        return answer[3:]

    def add(self, name, icon, verb="add"):
        self.command('%s "%s" %d %d %d %d' % ((verb, name) + tuple(icon)))

    def move(self, name, icon):
        self.add(name, icon, "move")

    def remove(self, name):
        self.command('remove "%s"' % name)

    def stop(self):
        if self.running():
            with contextlib.suppress(OSError, subprocess.TimeoutExpired):
                self.popen.stdin.close()   # the end of its input ends the stand-in
                self.popen.wait(5)
        super().stop()


class Programs:
    """The programs of one run from `build_dir`, logging to `work_dir`; close() ends them."""

    def __init__(self, build_dir, work_dir):
        self.build_dir, self.work_dir, self.started = os.path.abspath(build_dir), work_dir, []

    def path(self, *parts):
        exe = os.path.join(self.build_dir, *parts)
        check(os.path.isfile(exe), "%s is missing: build first" % exe)
        return exe

    def start(self, name, argv, kind=Program):
        self.started.append(kind(name, argv, os.path.join(self.work_dir, "%02d-%s.log" % (len(self.started), name))))
        return self.started[-1]

    def standin(self, icons=(), arguments=()):
        standin = self.start("desktop-standin", [self.path("tests", "desktop-standin.exe")] + list(arguments), Standin)
        standin.wait_ready()
        for name, icon in icons:
            standin.add(name, icon)
        return standin

    def product(self, *options):   # the program's code as the instrumented build runs it
        return self.start("marrowtune-bubble", [self.path("bench", "marrowtune-bubble-instrumented.exe"), *options])

    def bench(self, *arguments):
        return self.start("bench", [self.path("bench", "bench.exe"), *arguments])

    def close(self):
        for program in reversed(self.started):
            program.stop()

    def leftovers(self):
        return [(p.name, p.pid) for p in self.started if p.running()]
