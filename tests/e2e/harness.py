"""What the end-to-end scenarios and the demo see: the screen (Xlib reads in
xscreen.py, `import` screenshots), the pointer (xdotool), the bubble's
geometry at a display's DPI, and the presentations the program recorded.
Every expected screen is composed from the program's own pictures over a
screenshot of the bare stand-in desktop; animations are judged by the
program's record of its presentations (its PRESENT lines), and every filmed
frame must show one of them, in order. The driver (scripts/driver/processes.py)
starts and ends the programs."""

import collections
import contextlib
import io
import os
import shutil
import subprocess
import time

from PIL import Image, ImageChops

import processes
import xscreen
from processes import Failure as ScenarioFailure, check  # noqa: F401  (the scenarios use both)

PICTURE_DIR = os.path.join(processes.ROOT, "res")
SCREEN_SIZE = (800, 600)
STANDARD_DPI = 96   # 100 %
TARGET_ICON = "marrowtune"
WINDOW_TITLE = "Win32 API"
BUBBLE_CLASS = "KOVATipBalloon_12345678987654321"
BUBBLE_PICTURES = {"right": "bubble_right.png", "left": "bubble_left.png"}
BUTTON_PICTURES = {"normal": "button_normal.png", "hover": "button_hover.png", "pressed": "button_pressed.png"}
# The fades' constant alphas: the fade-in from the first presentation at 0,
# the fade-out from 255 down, one step per tick.
FADE_STEP = 30
OPAQUE = 255
FADE_IN = list(range(0, OPAQUE, FADE_STEP)) + [OPAQUE]
FADE_OUT = list(range(OPAQUE - FADE_STEP, 0, -FADE_STEP))

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
FULL_ALPHA = 253          # full opacity as estimate_alpha reads it from the screen
ALPHA_WOBBLE = 6          # how far a screen read of the alpha may be off
SETTLED_READS = 5         # the screen has settled when this many reads this far apart agree
SETTLED_INTERVAL = 0.1
FILM_KEPT_FRAMES = 24     # pictures kept from one filmed animation, at most
POINTER_PARK = (760, 560)  # where the pointer waits when it must not touch anything
MOVE_STEPS = 4            # points on the way of a pointer move
APPEAR_LIMIT = 30.0       # generous: only ends a scenario that hangs
POLL_INTERVAL = 0.05


class Geometry:
    """The bubble's lengths on a display of `dpi`: each scaled from its
    96-DPI value as the program scales it, MulDiv(value, dpi, 96)."""

    def __init__(self, dpi=STANDARD_DPI):
        self.dpi = dpi
        scale = self.scale
        self.percent = scale(100)
        self.size = (scale(207), scale(75))
        self.overlap = scale(10)
        self.left_offset = scale(197)
        self.grow_step = (scale(20), scale(7))
        button = (scale(66), scale(24))
        self.buttons = {side: (x, scale(35), x + button[0], scale(35) + button[1])
                        for side, x in (("right", scale(125)), ("left", scale(116)))}

    def scale(self, value):
        return (value * self.dpi + STANDARD_DPI // 2) // STANDARD_DPI

    def place(self, icon, work_right=SCREEN_SIZE[0]):
        """(x, y, side) of the bubble beside an icon (left, top, right, bottom)."""
        x = icon[2] - self.overlap
        if x + self.size[0] <= work_right:
            return x, icon[1], "right"
        return icon[0] - self.left_offset, icon[1], "left"

    def box(self, place):
        """The screen box (left, top, right, bottom) of the bubble at `place`."""
        return place[0], place[1], place[0] + self.size[0], place[1] + self.size[1]

    def grow_sizes(self):
        """The sizes a grow presents, from nothing to the whole bubble."""
        sizes = [(0, 0)]
        while sizes[-1][0] < self.size[0] and sizes[-1][1] < self.size[1]:
            sizes.append((sizes[-1][0] + self.grow_step[0], sizes[-1][1] + self.grow_step[1]))
        return sizes[:-1] + [self.size]


Presentation = collections.namedtuple("Presentation", "count x y width height source_x source_y alpha presented")


def presentations(program, since=0):
    """The program's recorded presentations from the `since`-th on."""
    records = [Presentation(*map(int, line.split()[1:])) for line in program.lines if line.startswith("PRESENT ")]
    return records[since:]


# ---------------------------------------------------------------------------
# Pictures and pixel comparison.

class Pictures:
    """The program's own pictures for `geometry`, composed as the bubble shows them."""

    def __init__(self, geometry):
        self.geometry = geometry
        folder = os.path.join(PICTURE_DIR, "pictures", str(geometry.percent))
        folder = folder if os.path.isdir(folder) else PICTURE_DIR   # the 100 % set before it moved
        button = geometry.buttons["right"]
        self.bubbles = {side: self._load(folder, name, geometry.size) for side, name in BUBBLE_PICTURES.items()}
        self.buttons = {state: self._load(folder, name, (button[2] - button[0], button[3] - button[1]))
                        for state, name in BUTTON_PICTURES.items()}
        self._composed = {}

    @staticmethod
    def _load(folder, name, size):
        with Image.open(os.path.join(folder, name)) as picture:
            check(picture.size == size, "%s is %s, not %s" % (name, picture.size, size))
            return picture.convert("RGBA")

    def bubble(self, side, state):
        """The RGBA picture of the bubble with its button in `state`."""
        if (side, state) not in self._composed:
            picture = self.bubbles[side].copy()
            picture.paste(self.buttons[state], self.geometry.buttons[side][:2])
            self._composed[side, state] = picture
        return self._composed[side, state]


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
            box = pictures.geometry.box(place)
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
    button_left, button_top, button_right, button_bottom = pictures.geometry.buttons[side]
    ratios = []
    for py in range(0, region.size[1], ALPHA_SAMPLE_STEP):
        for px in range(0, region.size[0], ALPHA_SAMPLE_STEP):
            if button_left <= px < button_right and button_top <= py < button_bottom:
                continue   # the button's look depends on its state
            red, _, _, alpha = source[px, py]
            spread = red - back[px, py][0]
            if alpha == OPAQUE and abs(spread) >= ALPHA_MIN_CONTRAST:
                ratios.append((got[px, py][0] - back[px, py][0]) / spread)
    if not ratios:
        return None
    ratios.sort()
    quarter = len(ratios) // 4
    if ratios[-quarter - 1] - ratios[quarter] > ALPHA_MAX_SPREAD:
        return None
    return max(0.0, min(255.0, ratios[len(ratios) // 2] * 255.0))


def shown_size(region, under, pictures, side, sizes):
    """Which of `sizes` (width, height) of the bubble's picture, cut from its
    top-left corner, the region shows ((0, 0): the bare desktop); None when
    it shows none of them."""
    if alike(region, under):
        return 0, 0
    picture = pictures.bubble(side, "normal")
    return next((size for size in sizes if size != (0, 0) and alike(region, blend(under, picture, size))), None)


# ---------------------------------------------------------------------------
# A session: the screen, the pointer and the pictures taken on the way, for
# the programs of one scenario (or the demo).

def start_x_server(command, servers, display=None):
    """Starts an X server on a free display number, on `display` when it is a
    nested one; adds it to `servers` and returns its display name."""
    read_end, write_end = os.pipe()
    environment = dict(os.environ, DISPLAY=display) if display else None
    servers.append(subprocess.Popen(command + ["-displayfd", str(write_end), "-nolisten", "tcp"],
                                    pass_fds=(write_end,), env=environment, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL))
    os.close(write_end)
    with os.fdopen(read_end) as announced:
        number = announced.readline().strip()   # the server writes it once it listens
    check(number.isdigit(), "%s did not start" % command[0])
    return ":" + number


class Session:
    def __init__(self, programs):
        """programs: a processes.Programs, which starts and ends the programs."""
        self.programs = programs
        self.use_dpi(STANDARD_DPI)
        self.screen = xscreen.Screen(os.environ["DISPLAY"])
        self.shots = []          # (label, image) in the order taken
        self.notes = []          # measured figures, for the report
        self.button_down = False
        self.pointer_at = POINTER_PARK
        self.park_pointer()

    def use_dpi(self, dpi):
        """The bubble's geometry and pictures from now on: those of a display of `dpi`."""
        self.geometry = Geometry(dpi)
        self.pictures = Pictures(self.geometry)

    def start_standin(self, icons=(), arguments=()):
        return self.programs.standin(icons, arguments)

    def start_product(self):
        """The program, recording its presentations (the instrumented build)."""
        return self.programs.product("--report-presentations")

    def start_program(self, name, arguments):
        return self.programs.start(name, arguments)

    def close(self):
        # A button left held down would turn the next scenario's clicks into drags.
        if self.button_down:
            self.release()
        self.park_pointer()
        self.screen.close()

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

    def check_bubble_window(self, place, screen=None, what="the bubble"):
        """The one mapped bubble window, as the X server (of `screen`, else the
        session's) has it, comes to cover the bubble's pixels at `place`: a
        grow that stopped short, or a window the system scaled, shows here
        whatever the screen reads caught."""
        screen, expected = screen or self.screen, [place[:2] + self.geometry.size]
        began = time.monotonic()
        while screen.geometries(WINDOW_TITLE) != expected:
            check(time.monotonic() - began < APPEAR_LIMIT,
                  "%s: the bubble's X window is %s, not %s" % (what, screen.geometries(WINDOW_TITLE), expected))
            time.sleep(POLL_INTERVAL)

    @contextlib.contextmanager
    def display_dpi(self, dpi):
        """Programs started inside run on a display scaled to `dpi`, as the
        prefix's LogPixels setting makes Wine present it; set back to 96
        afterwards, whatever happens (processes.wine_setup)."""
        with processes.wine_setup([(processes.LOG_PIXELS, dpi, STANDARD_DPI)]):
            yield

    @contextlib.contextmanager
    def two_monitors(self):
        """Programs started inside see two monitors side by side: the
        primary, 800 x 600 at (0, 0), and 1024 x 768 right of it. They are
        the two Xinerama heads of a nested Xephyr inside a virtual screen of
        its own, and Wine is told to read Xinerama instead of RandR. Yields
        that display's screen, which tells the windows' rectangles (its
        compositor would paint the first head only: no pixels are read)."""
        check(shutil.which("Xephyr"), "Xephyr is not installed (package xserver-xephyr)")
        servers = []
        try:
            host = start_x_server(["Xvfb", "-screen", "0", "2000x800x24"], servers)
            display = start_x_server(["Xephyr", "+xinerama", "-screen", "800x600", "-screen", "1024x768"],
                                     servers, host)
            with processes.wine_setup([(processes.USE_XRANDR, "N", None)], display):
                screen = xscreen.Screen(display)
                try:
                    yield screen
                finally:
                    screen.close()
        finally:
            for server in reversed(servers):
                server.kill()
                server.wait()

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
        image = self.wait_for(what, lambda image: View(image, baseline, self.pictures, place, state).matches,
                              interval=interval)
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

    def film(self, box, probe, done, limit, keep_label):
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
            if (not records or records[-1][1] != value) and kept < FILM_KEPT_FRAMES:
                self.keep("%s-%03d" % (keep_label, int(now * 1000)), image)
                kept += 1
            records.append((now, value))
            if done(value):
                return records
            check(now <= limit, "after %.1f s: %s; last values %s" % (limit, keep_label, [v for _, v in records[-5:]]))

    def film_fade(self, baseline, place, fading_in, label):
        """Films the bubble at `place` fading in (until full alpha) or out
        (until the desktop shows again); returns [(seconds, alpha or None)]."""
        box = self.geometry.box(place)
        under = baseline.crop(box)

        def probe(region):
            if alike(region, under):
                return 0
            alpha = estimate_alpha(region, under, self.pictures, place[2])
            return None if alpha is None else int(round(alpha))

        done = (lambda alpha: alpha is not None and alpha >= FULL_ALPHA) if fading_in else (lambda alpha: alpha == 0)
        return self.film(box, probe, done, APPEAR_LIMIT, label)

    def film_grow(self, baselines, place, label):
        """Films `place` until the bubble is shown whole there; returns
        [(seconds, size shown or None)] as read over the first of `baselines`
        (desktop screenshots) that explains the picture."""
        box = self.geometry.box(place)
        unders = [baseline.crop(box) for baseline in baselines]
        sizes = self.geometry.grow_sizes()

        def probe(region):
            shown = (shown_size(region, under, self.pictures, place[2], sizes) for under in unders)
            return next((size for size in shown if size is not None), None)

        return self.film(box, probe, lambda size: size == self.geometry.size, APPEAR_LIMIT, label)

    # -- figures and evidence

    def note(self, text):
        self.notes.append(text)

    def note_windows(self):
        """Records the X windows' stacking order and map states (evidence
        when the bubble is not where it should be)."""
        try:
            self.notes += ["X windows, bottom first:"] + ["  " + line for line in self.screen.windows()]
        except Exception as problem:
            self.note("cannot list the X windows: %s" % problem)

    def save_shots(self, folder, programs, extra_lines=()):
        """Writes the screenshots and a report into folder (emptied first)."""
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for index, (label, image) in enumerate(self.shots, 1):
            image.save(os.path.join(folder, "%02d-%s.png" % (index, label)))
        with open(os.path.join(folder, "report.txt"), "w") as report:
            report.write("".join(line + "\n" for line in list(extra_lines) + self.notes))
            for program in programs:
                report.write("--- %s (pid %d) exit %s\n%s\n%s\n" % (program.name, program.pid, program.popen.returncode,
                                                                    "\n".join(program.lines[-40:]), program.log_tail()))
