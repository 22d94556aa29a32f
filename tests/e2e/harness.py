"""Drives the real marrowtune-bubble.exe and the stand-in desktop, each a
process of its own under Wine, on the virtual screen: real pointer input
through xdotool, screenshots through ImageMagick's `import`, fast pixel
reads and the cursor through Xlib (xscreen.py).

Shared by the end-to-end scenarios (scenarios.py, run.py) and the demo
(demo.py). Needs DISPLAY (an 800 x 600 screen with a compositing manager)
and WINEPREFIX in the environment, as scripts/test and scripts/demo set them.

The bubble is found on the screen by its pixels: every check composes what
the screen must show from the very pictures the program carries (res/*.png)
laid over a screenshot of the bare stand-in desktop, and counts the pixels
that differ.
"""

import contextlib
import io
import os
import queue
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import traceback

from PIL import Image, ImageChops

import xscreen

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PICTURE_DIR = os.path.join(SOURCE_DIR, "res")

SCREEN_SIZE = (800, 600)
# The display's resolution at 100 % scaling.
STANDARD_DPI = 96
BUBBLE_SIZE = (207, 75)
BUTTON_SIZE = (66, 24)
TARGET_ICON = "marrowtune"
WINDOW_TITLE = "Win32 API"
BUBBLE_CLASS = "KOVATipBalloon_12345678987654321"

# Placement beside the icon: x = right - 10 on the right side; when that
# leaves no room (right + 197 > screen width), x = left - 197 on the left.
RIGHT_SIDE_OVERLAP = 10
LEFT_SIDE_OFFSET = BUBBLE_SIZE[0] - RIGHT_SIDE_OVERLAP
# The dismiss button in bubble pixels (left, top, right, bottom; right and
# bottom outside), by side.
BUTTON_RECTS = {"right": (125, 35, 191, 59), "left": (116, 35, 182, 59)}
BUBBLE_PICTURES = {"right": "bubble_right.png", "left": "bubble_left.png"}
BUTTON_PICTURES = {"normal": "button_normal.png", "hover": "button_hover.png",
                   "pressed": "button_pressed.png"}
# The grow after a move reveals the bubble from its top-left corner in steps
# of 20 x 7 pixels: 20 x 7, 40 x 14, ... 200 x 70, then the whole bubble.
GROW_STEP = (20, 7)
GROW_PARTIAL_STEPS = 10

# A pixel differs when one of its channels is further off than this.
PIXEL_TOLERANCE = 8
# Pixels allowed to differ in a region that is said to match: room for a
# blinking caret or a stray anti-aliased pixel, far below any real change
# (any two of the three button pictures differ in more than 1100 pixels).
STRAY_PIXELS = 24

# Reading the bubble's constant alpha from the screen: every third pixel of
# the opaque body where the picture's red differs from the desktop's by this
# much; the middle half of the readings must agree within this fraction.
ALPHA_SAMPLE_STEP = 3
ALPHA_MIN_CONTRAST = 120
ALPHA_MAX_SPREAD = 0.05
# Full opacity as estimate_alpha reads it from the screen.
FULL_ALPHA = 253
# The screen has settled when this many fast reads this far apart agree.
SETTLED_READS = 5
SETTLED_INTERVAL = 0.1
# Pictures kept from one filmed animation, at most.
FILM_KEPT_FRAMES = 24

# Where the pointer waits when it must not touch anything.
POINTER_PARK = (760, 560)
# Points on the way of a pointer move.
MOVE_STEPS = 4

# Generous bounds: these only end a scenario that hangs.
STANDIN_START_LIMIT = 60.0
STANDIN_REPLY_LIMIT = 30.0
PROCESS_EXIT_LIMIT = 30.0
APPEAR_LIMIT = 30.0
POLL_INTERVAL = 0.05


class ScenarioFailure(Exception):
    """A check failed; the message says what the screen or a process showed."""


def check(condition, message):
    if not condition:
        raise ScenarioFailure(message)


def bubble_place(icon, screen_width=SCREEN_SIZE[0]):
    """(x, y, side) of the bubble beside an icon (left, top, right, bottom)."""
    left, top, right, _ = icon
    x = right - RIGHT_SIDE_OVERLAP
    if x + BUBBLE_SIZE[0] > screen_width:
        return left - LEFT_SIDE_OFFSET, top, "left"
    return x, top, "right"


def box_at(place):
    """The screen box (left, top, right, bottom) of the bubble at `place` (x, y, ...)."""
    x, y = place[:2]
    return (x, y, x + BUBBLE_SIZE[0], y + BUBBLE_SIZE[1])


# ---------------------------------------------------------------------------
# Pictures and pixel comparison.

class Pictures:
    """The program's own pictures, composed as the bubble shows them."""

    def __init__(self, folder=PICTURE_DIR):
        self.bubbles = {side: self._load(folder, name, BUBBLE_SIZE) for side, name in BUBBLE_PICTURES.items()}
        self.buttons = {state: self._load(folder, name, BUTTON_SIZE) for state, name in BUTTON_PICTURES.items()}
        self._composed = {}

    @staticmethod
    def _load(folder, name, size):
        with Image.open(os.path.join(folder, name)) as picture:
            check(picture.size == size, "%s is %s, not %s" % (name, picture.size, size))
            return picture.convert("RGBA")

    def bubble(self, side, state):
        """The 207 x 75 RGBA picture of the bubble with its button in `state`."""
        key = (side, state)
        if key not in self._composed:
            picture = self.bubbles[side].copy()
            picture.paste(self.buttons[state], BUTTON_RECTS[side][:2])
            self._composed[key] = picture
        return self._composed[key]


def blend(background, picture, size=None):
    """`picture` (RGBA, straight alpha) laid over `background` (RGB) at the
    background's top-left corner, cut to `size` from its top-left corner, as
    the layered window shows it at full constant alpha."""
    if size is not None and size != picture.size:
        picture = picture.crop((0, 0, size[0], size[1]))
    result = background.convert("RGBA")
    layer = Image.new("RGBA", result.size, (0, 0, 0, 0))
    layer.paste(picture, (0, 0))
    return Image.alpha_composite(result, layer).convert("RGB")


def differing_pixels(first, second, tolerance=PIXEL_TOLERANCE):
    """How many pixels of two same-sized RGB images differ beyond tolerance."""
    difference = ImageChops.difference(first.convert("RGB"), second.convert("RGB"))
    red, green, blue = difference.split()
    largest = ImageChops.lighter(ImageChops.lighter(red, green), blue)
    return largest.point(lambda v: 255 if v > tolerance else 0).histogram()[255]


def alike(first, second, tolerance=PIXEL_TOLERANCE):
    """Whether two same-sized images differ in no more than STRAY_PIXELS pixels."""
    return differing_pixels(first, second, tolerance) <= STRAY_PIXELS


class View:
    """What one screenshot shows compared with the expected screen: the bare
    desktop (`baseline`) with, when `place` is (x, y, side), the bubble there."""

    def __init__(self, shot, baseline, pictures, place=None, state="normal"):
        self.place = place
        expected = baseline
        if place is not None:
            box = box_at(place)
            expected = baseline.copy()
            expected.paste(blend(baseline.crop(box), pictures.bubble(place[2], state)), box[:2])
        self.mismatched = differing_pixels(shot, expected)
        self.matches = self.mismatched <= STRAY_PIXELS

    def __repr__(self):
        return "View(bubble=%s, %d pixels differ)" % (self.place, self.mismatched)


# The helpers below read one bubble-sized region of the screen (`region`)
# against the same region of the bare desktop (`under`).

def bubble_look(region, under, pictures, side):
    """The button state of the whole bubble the region shows, "desktop" when
    it shows the bare desktop, "something else" otherwise."""
    for state in pictures.buttons:
        if alike(region, blend(under, pictures.bubble(side, state))):
            return state
    return "desktop" if alike(region, under) else "something else"


def estimate_alpha(region, under, pictures, side):
    """The constant alpha (0..255) the bubble is shown with, read from its
    opaque body pixels that contrast with the desktop; None when the region
    is not the bubble's picture at one uniform alpha."""
    source = pictures.bubbles[side].load()
    got = region.load()
    back = under.load()
    button_left, button_top, button_right, button_bottom = BUTTON_RECTS[side]
    ratios = []
    for py in range(0, BUBBLE_SIZE[1], ALPHA_SAMPLE_STEP):
        for px in range(0, BUBBLE_SIZE[0], ALPHA_SAMPLE_STEP):
            if button_left <= px < button_right and button_top <= py < button_bottom:
                continue   # the button's look depends on its state
            red, _, _, alpha = source[px, py]
            if alpha != 255:
                continue
            spread = red - back[px, py][0]
            if abs(spread) < ALPHA_MIN_CONTRAST:
                continue
            ratios.append((got[px, py][0] - back[px, py][0]) / spread)
    if not ratios:
        return None
    ratios.sort()
    quarter = len(ratios) // 4
    if ratios[-quarter - 1] - ratios[quarter] > ALPHA_MAX_SPREAD:
        return None
    return max(0.0, min(255.0, ratios[len(ratios) // 2] * 255.0))


def grow_stage(region, under, pictures, side):
    """Which step of the grow the region shows: 0 for nothing, 1..10 for the
    partial sizes 20 x 7 .. 200 x 70, 11 for the whole bubble; None when it
    shows none of them."""
    if alike(region, under):
        return 0
    picture = pictures.bubble(side, "normal")
    for step in range(1, GROW_PARTIAL_STEPS + 1):
        if alike(region, blend(under, picture, (GROW_STEP[0] * step, GROW_STEP[1] * step))):
            return step
    if alike(region, blend(under, picture)):
        return GROW_PARTIAL_STEPS + 1
    return None


# ---------------------------------------------------------------------------
# Processes.

def _wine_environment():
    return {"WINEDEBUG": "-all", **os.environ}


def _require_environment():
    missing = [name for name in ("DISPLAY", "WINEPREFIX") if not os.environ.get(name)]
    if missing:
        raise ScenarioFailure(
            "%s not set: run through scripts/test or scripts/demo, which start the virtual "
            "screen and the Wine prefix" % " and ".join(missing))


class Process:
    """A program under Wine, known by its PID. `wine` execs the program in
    place, so ending that PID ends the Windows process itself."""

    def __init__(self, name, arguments, log_path, pipes=False):
        self.name = name
        self.log_path = log_path
        self._log = open(log_path, "wb")
        pipe = subprocess.PIPE if pipes else subprocess.DEVNULL
        self.popen = subprocess.Popen(["wine"] + arguments, stdin=pipe, stdout=pipe,
                                      stderr=self._log, env=_wine_environment())
        self.pid = self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, limit=PROCESS_EXIT_LIMIT):
        """The exit code, or None when the process still runs after `limit` s."""
        try:
            return self.popen.wait(limit)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        """Ends the process by its PID if it still runs, and reaps it."""
        if self.popen.poll() is None:
            self.popen.kill()
        try:
            self.popen.wait(PROCESS_EXIT_LIMIT)
        except subprocess.TimeoutExpired:
            pass
        self._log.close()

    def log_tail(self, lines=20):
        try:
            with open(self.log_path, "rb") as log:
                text = log.read().decode("utf-8", "replace")
        except OSError:
            return ""
        return "\n".join(text.splitlines()[-lines:])


class Standin(Process):
    """desktop-standin.exe, driven by line commands on its stdin."""

    def __init__(self, exe, log_path):
        super().__init__("desktop-standin", [exe], log_path, pipes=True)
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def wait_ready(self):
        ready = self._next_line(STANDIN_START_LIMIT)
        check(ready == "ready", "stand-in desktop did not start: %r %s" % (ready, self.log_tail()))
        # Another program's desktop windows would be found instead of ours.
        foreign = [line for line in self.log_tail().splitlines() if "already exist" in line]
        check(not foreign, "left-over desktop windows: %s" % foreign)

    def _read(self):
        for raw in self.popen.stdout:
            self._lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))
        self._lines.put(None)

    def _next_line(self, limit):
        try:
            return self._lines.get(timeout=limit)
        except queue.Empty:
            return None

    def command(self, line):
        """Sends one command; returns what follows "ok" in the answer."""
        check(self.running(), "stand-in desktop is gone before %r" % line)
        self.popen.stdin.write((line + "\n").encode("utf-8"))
        self.popen.stdin.flush()
        answer = self._next_line(STANDIN_REPLY_LIMIT)
        check(answer is not None and (answer == "ok" or answer.startswith("ok ")),
              "stand-in desktop answered %r to %r" % (answer, line))
        return answer[3:]

    def foreground_class(self):
        """The window class of Wine's foreground window ("" when none)."""
        return self.command("foreground")

    def add(self, name, icon):
        self.command('add "%s" %d %d %d %d' % ((name,) + tuple(icon)))

    def move(self, name, icon):
        self.command('move "%s" %d %d %d %d' % ((name,) + tuple(icon)))

    def remove(self, name):
        self.command('remove "%s"' % name)

    def stop(self):
        if self.popen.poll() is None:
            try:
                self.popen.stdin.close()   # end of input ends the stand-in
                self.popen.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                pass
        super().stop()


# ---------------------------------------------------------------------------
# A session: the processes of one scenario (or the demo), the screen, the
# pointer and the pictures taken on the way.

class Session:
    def __init__(self, binary_dir, work_dir):
        """binary_dir: the CMake build folder holding marrowtune-bubble.exe
        and tests/desktop-standin.exe; work_dir: where the programs' logs go."""
        _require_environment()
        binary_dir = os.path.abspath(binary_dir)
        self.product_exe = os.path.join(binary_dir, "marrowtune-bubble.exe")
        self.standin_exe = os.path.join(binary_dir, "tests", "desktop-standin.exe")
        for exe in (self.product_exe, self.standin_exe):
            check(os.path.isfile(exe), "%s is missing: build first" % exe)
        self.work_dir = work_dir
        self.pictures = Pictures()
        self.screen = xscreen.Screen(os.environ["DISPLAY"])
        self.processes = []
        self.shots = []          # (label, image) in the order taken
        self.notes = []          # measured figures, for the report
        self.button_down = False
        self.pointer_at = POINTER_PARK
        self.park_pointer()

    # -- processes

    def _log_path(self, name):
        return os.path.join(self.work_dir, "%02d-%s.log" % (len(self.processes), name))

    def start_standin(self, icons=()):
        standin = Standin(self.standin_exe, self._log_path("standin"))
        self.processes.append(standin)
        standin.wait_ready()
        for name, icon in icons:
            standin.add(name, icon)
        return standin

    def start_product(self):
        return self.start_program("marrowtune-bubble", [self.product_exe])

    def start_program(self, name, arguments):
        program = Process(name, arguments, self._log_path(name))
        self.processes.append(program)
        return program

    def close(self):
        """Ends every process this session started, newest first, by PID."""
        for process in reversed(self.processes):
            process.stop()
        # A button left held down would turn the next scenario's clicks into drags.
        if self.button_down:
            self.release()
        self.park_pointer()
        self.screen.close()

    def leftovers(self):
        return [(p.name, p.pid) for p in self.processes if p.popen.poll() is None]

    # -- the screen

    def shot(self, label=None):
        """A screenshot of the whole screen (`import -window root`), kept as
        evidence when it has a label."""
        result = subprocess.run(["import", "-window", "root", "ppm:-"], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=30)
        check(result.returncode == 0, "import failed: %s" % result.stderr.decode(errors="replace"))
        image = Image.open(io.BytesIO(result.stdout)).convert("RGB")
        check(image.size == SCREEN_SIZE, "screen is %s, expected %s" % (image.size, SCREEN_SIZE))
        if label:
            self.shots.append((label, image))
        return image

    def grab(self, box=(0, 0) + SCREEN_SIZE):
        """A fast read of the screen's pixels (Xlib), not kept as evidence."""
        return self.screen.grab(box)

    def keep(self, label, image):
        self.shots.append((label, image))

    def wait_for(self, what, probe, limit=APPEAR_LIMIT, interval=POLL_INTERVAL):
        """Takes screenshots until probe(image) holds, and returns that image.
        Fails after `limit` s with the last picture kept."""
        began = time.monotonic()
        while True:
            image = self.shot()
            if probe(image):
                return image
            if time.monotonic() - began > limit:
                self.keep("timeout-" + what.replace(" ", "-"), image)
                raise ScenarioFailure("after %.1f s the screen still does not show %s" % (limit, what))
            time.sleep(interval)

    def cursor(self):
        return self.screen.cursor()

    # -- the pointer

    def pointer(self, *actions):
        subprocess.run(["xdotool"] + list(actions), check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def move_pointer(self, x, y, steps=MOVE_STEPS, pause=0.0):
        """Moves the pointer to (x, y) as a hand does: through `steps` points
        on the way (`pause` seconds apart) and one a pixel short of the goal.
        A real pointer sends many motion events; Wine now and then drops the
        lone event of a single jump, which no user would ever notice."""
        start_x, start_y = self.pointer_at
        points = [(start_x + (x - start_x) * step // steps, start_y + (y - start_y) * step // steps)
                  for step in range(1, steps)]
        actions = []
        for point_x, point_y in points + [(x + 1, y + 1), (x, y)]:
            actions += ["mousemove", str(point_x), str(point_y)] + (["sleep", str(pause)] if pause else [])
        self.pointer(*actions)
        self.pointer_at = (x, y)

    def press(self):
        self.pointer("mousedown", "1")
        self.button_down = True

    def release(self):
        self.pointer("mouseup", "1")
        self.button_down = False

    def park_pointer(self):
        """Jumps the pointer to its resting place, off the bubble at once."""
        self.pointer("mousemove", str(POINTER_PARK[0]), str(POINTER_PARK[1]))
        self.pointer_at = POINTER_PARK

    def bubble_geometries(self):
        """(x, y, width, height) of each mapped X window titled like the bubble."""
        return self.screen.geometries(WINDOW_TITLE)

    def check_bubble_window(self, place, limit=APPEAR_LIMIT):
        """The one mapped bubble window, as the X server has it, comes to
        cover the bubble's 207 x 75 pixels at `place`: a grow that stopped
        short, or a window the system scaled, shows here whatever the screen
        reads caught."""
        expected = [(place[0], place[1]) + BUBBLE_SIZE]
        began = time.monotonic()
        while self.bubble_geometries() != expected:
            check(time.monotonic() - began < limit,
                  "the bubble's X window is %s, not %s" % (self.bubble_geometries(), expected))
            time.sleep(POLL_INTERVAL)

    @contextlib.contextmanager
    def display_dpi(self, dpi):
        """Programs started inside run on a display scaled to `dpi` (96 is
        100 %), as the prefix's LogPixels setting makes Wine present it; set
        back to 96 afterwards, whatever happens."""
        self._restart_wine_at(dpi)
        try:
            yield
        finally:
            self._restart_wine_at(STANDARD_DPI)

    @staticmethod
    def _restart_wine_at(dpi):
        """Sets the prefix's LogPixels and starts Wine's server and desktop
        anew: the monitors' DPI, by which Wine scales DPI-unaware programs,
        is read when the desktop starts, not when a program does."""
        environment = _wine_environment()

        def run(*command):
            # No pipes: the server that -p leaves running would hold them open.
            code = subprocess.call(list(command), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, env=environment, timeout=PROCESS_EXIT_LIMIT)
            check(code == 0, "%s ended with %d while setting the display to %d DPI" % (command[:2], code, dpi))

        run("wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
            "/d", str(dpi), "/f")
        run("wineserver", "-k")
        run("wineserver", "-w")
        run("wineserver", "-p")   # kept running, as the scripts keep it
        run("wine", "cmd", "/c", "exit")

    # -- waiting for what the screen shows

    def settled(self, label, limit=APPEAR_LIMIT):
        """A screenshot once the screen has stopped changing: what the
        stand-in desktop looks like after a change, before the bubble runs."""
        began = time.monotonic()
        previous = self.grab()
        same = 0
        while same < SETTLED_READS:
            time.sleep(SETTLED_INTERVAL)
            current = self.grab()
            # A blinking caret does not count as a change.
            same = same + 1 if alike(current, previous, 0) else 0
            previous = current
            check(time.monotonic() - began < limit, "the screen does not settle")
        return self.shot(label)

    def wait_for_screen(self, what, baseline, place=None, state="normal", label=None, interval=POLL_INTERVAL):
        """Waits until the whole screen is the bare desktop `baseline` with,
        when `place` is (x, y, side), the whole bubble there with its button
        in `state`; keeps the screenshot as evidence under `label`."""
        def probe(image):
            return View(image, baseline, self.pictures, place, state).matches
        image = self.wait_for(what, probe, interval=interval)
        if label:
            self.keep(label, image)

    def watch(self, what, expected, seconds, until=None, alive=()):
        """Reads the whole screen for `seconds`, or, as fast as it can, until
        until() holds (failing when it does not within `seconds`); every
        read must match expected(image) (a View), and every program in
        `alive` must still run. Returns the number of reads."""
        began = time.monotonic()
        reads = 0
        while not (until and until()):
            if time.monotonic() - began > seconds:
                check(until is None, "%s: still going on after %.0f s" % (what, seconds))
                break
            for program in alive:
                check(program.running(), "%s: %s ended" % (what, program.name))
            image = self.grab()
            reads += 1
            view = expected(image)
            if not view.matches:
                self.keep("unexpected", image)
                raise ScenarioFailure("%s: the screen changed: %s" % (what, view))
            if until is None:
                time.sleep(POLL_INTERVAL)   # a fade-out lasts far longer; the programs need the time
        self.shot(what.replace(" ", "-"))
        return reads

    def film(self, box, probe, done, limit, keep_label=None):
        """Reads `box` of the screen as fast as it can and applies probe to
        each picture until done(value) holds; returns [(seconds, value)].
        The pictures where the value changes are kept as evidence."""
        began = time.monotonic()
        records = []
        kept = 0
        while True:
            image = self.grab(box)
            now = time.monotonic() - began
            value = probe(image)
            if keep_label and (not records or records[-1][1] != value) and kept < FILM_KEPT_FRAMES:
                self.keep("%s-%03d" % (keep_label, int(now * 1000)), image)
                kept += 1
            records.append((now, value))
            if done(value):
                return records
            if now > limit:
                raise ScenarioFailure("after %.1f s: %s; last values %s"
                                      % (limit, keep_label or "filming", [v for _, v in records[-5:]]))

    def film_fade(self, baseline, place, fading_in, label):
        """Films the bubble at `place` fading in (until full alpha) or out
        (until the desktop shows again); returns [(seconds, alpha or None)]."""
        box = box_at(place)
        under = baseline.crop(box)

        def probe(region):
            if alike(region, under):
                return 0
            alpha = estimate_alpha(region, under, self.pictures, place[2])
            return None if alpha is None else int(round(alpha))

        if fading_in:
            done = lambda alpha: alpha is not None and alpha >= FULL_ALPHA
        else:
            done = lambda alpha: alpha == 0
        return self.film(box, probe, done, APPEAR_LIMIT, label)

    def film_grow(self, baselines, place, label):
        """Films `place` until the bubble is shown whole there; returns
        [(seconds, grow step)] as grow_stage reads them over the first of
        `baselines` (desktop screenshots) that explains the picture."""
        box = box_at(place)
        unders = [baseline.crop(box) for baseline in baselines]

        def probe(region):
            for under in unders:
                step = grow_stage(region, under, self.pictures, place[2])
                if step is not None:
                    return step
            return None

        return self.film(box, probe, lambda step: step == GROW_PARTIAL_STEPS + 1, APPEAR_LIMIT, label)

    # -- figures and evidence

    def note(self, text):
        self.notes.append(text)

    def note_windows(self):
        """Records the X windows' stacking order and map states (evidence
        when the bubble is not where it should be)."""
        self.notes.append("X windows, bottom first:")
        self.notes.extend("  " + line for line in self.screen.windows())

    def save_shots(self, folder, extra_lines=()):
        """Writes the screenshots and a report into folder (emptied first)."""
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for index, (label, image) in enumerate(self.shots, 1):
            image.save(os.path.join(folder, "%02d-%s.png" % (index, label)))
        with open(os.path.join(folder, "report.txt"), "w") as report:
            for line in list(extra_lines) + self.notes:
                report.write(line + "\n")
            for process in self.processes:
                report.write("--- %s (pid %d) exit %s\n%s\n"
                             % (process.name, process.pid, process.popen.returncode,
                                process.log_tail()))


def run_session(build_dir, name, limit, body, failures_dir, shots_dir=None):
    """Runs body(session) on a new Session, failing it after `limit` seconds
    or on SIGTERM, then ends every process the session started, whatever
    happened. The screenshots and a report go to failures_dir on failure,
    to shots_dir (when given) on success. Returns (the session's notes, what
    body returned, the failure message or None)."""
    def stop(signum, frame):
        if signum == signal.SIGALRM:
            raise ScenarioFailure("%s ran longer than %d s" % (name, limit))
        raise ScenarioFailure("%s terminated by signal %d" % (name, signum))

    signal.signal(signal.SIGALRM, stop)
    signal.signal(signal.SIGTERM, stop)
    signal.alarm(limit)
    work_dir = tempfile.mkdtemp(prefix="e2e-%s-" % name)
    session = None
    result = None
    failure = None
    try:
        session = Session(build_dir, work_dir)
        result = body(session)
    except ScenarioFailure as problem:
        failure = str(problem)
    except Exception:   # a fault of the harness itself still needs the clean-up
        failure = traceback.format_exc()
    finally:
        signal.alarm(0)
        if failure is not None and session is not None:
            try:
                session.note_windows()   # while the processes still run
            except Exception as problem:
                session.note("cannot list the X windows: %s" % problem)
        if session is not None:
            session.close()
    if session is None:
        return [], result, failure
    if session.leftovers() and failure is None:
        failure = "processes left running: %s" % session.leftovers()
    folder = shots_dir if failure is None else failures_dir
    if folder:
        session.save_shots(folder, [] if failure is None else ["FAILED: " + failure])
        print("screenshots and report in %s" % folder)
    shutil.rmtree(work_dir, ignore_errors=True)
    return session.notes, result, failure
