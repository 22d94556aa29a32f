#!/usr/bin/python3
"""The demo: the real program on the stand-in desktop, filmed.

    demo.py --build-dir <CMake build folder> --out <folder>

Starts the stand-in desktop with a few icons and the program, then moves
the "marrowtune" icon (same side, then across so that the bubble flips),
hovers the dismiss button, clicks it and waits for the program to end. Each
stage is checked on the screen as the end-to-end scenarios check it, and
saved as a still (01-found.png ... 06-gone.png); the whole run is filmed at
about ten frames a second into demo.gif. The pointer, which screenshots do
not contain, is drawn in. Exits with the program's exit code (1 when the
demo itself failed before the program ended).

Needs DISPLAY and WINEPREFIX as scripts/demo sets them.
"""

import sys

sys.dont_write_bytecode = True   # keep the source tree clean

import argparse
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

from PIL import ImageChops

import harness
import scenarios
import xscreen

ICONS = [("Recycle Bin", (20, 10, 95, 80)), ("Documents", (20, 190, 95, 260)),
         ("Browser", (20, 280, 95, 350)), (harness.TARGET_ICON, scenarios.HOME)]
MOVED = (220, 240, 295, 310)               # the bubble follows on the right: (285, 240)
FLIPPED = scenarios.FAR_RIGHT              # the bubble flips to the left: (503, 300)

FRAME_INTERVAL = 0.1
# The film shows the part of the screen where things happen, shrunk.
FILM_BOX = (0, 0, 800, 450)
FILM_SCALE = 0.75
PAUSE = 1.0                                # between stages, for the viewer
POINTER_GLIDE_STEPS = 12
# Checks of the screen poll slowly, leaving the filming thread its pace.
CHECK_INTERVAL = 0.3
DEMO_LIMIT_SECONDS = 180


class Film(threading.Thread):
    """Reads the screen and the pointer every FRAME_INTERVAL on an X
    connection of its own; identical frames are merged into one longer one."""

    def __init__(self, display):
        super().__init__(daemon=True)
        self.screen = xscreen.Screen(display)
        self.frames = []          # [image, seconds shown]
        self.stopping = threading.Event()
        self.failure = None
        self.reads = 0

    def run(self):
        try:
            size = (int((FILM_BOX[2] - FILM_BOX[0]) * FILM_SCALE), int((FILM_BOX[3] - FILM_BOX[1]) * FILM_SCALE))
            last = due = time.monotonic()
            while not self.stopping.is_set():
                frame = self.screen.grab(FILM_BOX)
                self.reads += 1
                self.screen.cursor().draw_on(frame, FILM_BOX[:2])
                frame = frame.resize(size, resample=3)   # bicubic
                now = time.monotonic()
                if self.frames:
                    self.frames[-1][1] += now - last
                last = now
                if not self.frames or ImageChops.difference(self.frames[-1][0], frame).getbbox():
                    self.frames.append([frame, 0.0])
                # Otherwise nothing changed: the previous frame just lasts longer.
                due += FRAME_INTERVAL
                self.stopping.wait(max(0.0, due - time.monotonic()))
            if self.frames:
                self.frames[-1][1] += time.monotonic() - last
        except Exception as problem:   # reported by the main thread
            self.failure = problem
        finally:
            self.screen.close()

    def stop(self):
        self.stopping.set()
        self.join(10)

    def write_gif(self, path, work_dir):
        """Assembles the frames with ImageMagick, each shown as long as it lasted."""
        arguments = ["convert", "-loop", "0"]
        for index, (frame, seconds) in enumerate(self.frames):
            name = os.path.join(work_dir, "frame-%04d.png" % index)
            frame.save(name)
            arguments += ["-delay", str(max(2, int(round(seconds * 100)))), name]
        arguments += ["-layers", "Optimize", path]
        subprocess.run(arguments, check=True, timeout=300)


def still(session, out_dir, name, label):
    """A screenshot (`import`) with the pointer drawn in, saved as out/name."""
    image = session.shot(label).copy()
    session.cursor().draw_on(image)
    path = os.path.join(out_dir, name)
    image.save(path, optimize=True)
    return path


def glide_pointer(session, start, end):
    for step in range(1, POINTER_GLIDE_STEPS + 1):
        x = start[0] + (end[0] - start[0]) * step // POINTER_GLIDE_STEPS
        y = start[1] + (end[1] - start[1]) * step // POINTER_GLIDE_STEPS
        session.jump_pointer(x, y)
        time.sleep(0.03)


def run_demo(session, out_dir, film, stills):
    """The stages; returns the program's exit code."""
    standin = session.start_standin(ICONS)
    baselines = {}
    for icon in (MOVED, FLIPPED, scenarios.HOME):
        standin.move(harness.TARGET_ICON, icon)
        baselines[icon] = session.settled("desktop")

    def expect(what, icon, state="normal", shown=True):
        """Waits until the screen shows the desktop with the icon at `icon`
        and, when `shown`, the bubble beside it with its button in `state`."""
        x, y, side = harness.bubble_place(icon)
        session.wait_for_screen(what, baselines[icon], (x, y) if shown else None, side, state,
                                interval=CHECK_INTERVAL)
        return x, y, side

    film.start()
    time.sleep(PAUSE / 2)
    product = session.start_product()
    expect("the bubble beside the icon", scenarios.HOME)
    stills.append(still(session, out_dir, "01-found.png", "found"))
    time.sleep(PAUSE)

    standin.move(harness.TARGET_ICON, MOVED)
    expect("the bubble beside the moved icon", MOVED)
    stills.append(still(session, out_dir, "02-moved.png", "moved"))
    time.sleep(PAUSE)

    standin.move(harness.TARGET_ICON, FLIPPED)
    x, y, side = expect("the bubble flipped to the icon's left", FLIPPED)
    harness.check(side == "left", "the bubble should stand on the left of %s" % (FLIPPED,))
    stills.append(still(session, out_dir, "03-flipped.png", "flipped"))
    time.sleep(PAUSE)

    button = scenarios.on_bubble((x, y), scenarios.BUTTON_MIDDLE[side])
    glide_pointer(session, harness.POINTER_PARK, button)
    expect("the hover button", FLIPPED, "hover")
    stills.append(still(session, out_dir, "04-hover.png", "hover"))
    time.sleep(PAUSE / 2)

    session.press()
    expect("the pressed button", FLIPPED, "pressed")
    stills.append(still(session, out_dir, "05-pressed.png", "pressed"))
    time.sleep(PAUSE / 3)
    session.release()

    code = product.wait(scenarios.EXIT_LIMIT)
    harness.check(code is not None, "the program still runs after the click")
    glide_pointer(session, button, harness.POINTER_PARK)
    expect("the bare desktop", FLIPPED, shown=False)
    stills.append(still(session, out_dir, "06-gone.png", "gone"))
    time.sleep(PAUSE)
    return code


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(harness.SOURCE_DIR, "build", "mingw"),
                        help="the CMake build folder holding marrowtune-bubble.exe")
    parser.add_argument("--out", default=os.path.join(harness.SOURCE_DIR, "out"))
    arguments = parser.parse_args()
    out_dir = os.path.abspath(arguments.out)
    os.makedirs(out_dir, exist_ok=True)
    for name in os.listdir(out_dir):
        if name.endswith((".png", ".gif")):
            os.remove(os.path.join(out_dir, name))
    work_dir = tempfile.mkdtemp(prefix="marrowtune-demo-")

    def on_alarm(signum, frame):
        raise harness.ScenarioFailure("the demo ran longer than %d s" % DEMO_LIMIT_SECONDS)

    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGTERM, on_alarm)
    signal.alarm(DEMO_LIMIT_SECONDS)
    session = None
    film = None
    stills = []
    code = None
    failure = None
    began = time.monotonic()
    try:
        session = harness.Session(arguments.build_dir, "demo", work_dir)
        film = Film(os.environ["DISPLAY"])
        code = run_demo(session, out_dir, film, stills)
    except harness.ScenarioFailure as problem:
        failure = str(problem)
    finally:
        signal.alarm(0)
        if film is not None and film.is_alive():
            film.stop()
        if session is not None:
            session.close()
    if film is not None and film.failure is not None and failure is None:
        failure = "filming failed: %s" % film.failure

    if failure is not None:
        print("demo FAILED: %s" % failure)
        if session is not None:
            folder = os.path.join(out_dir, "failure")
            session.save_shots(folder, ["FAILED: " + failure])
            print("screenshots of the failed run in %s" % folder)
    if film is not None and film.frames:
        gif = os.path.join(out_dir, "demo.gif")
        film.write_gif(gif, work_dir)
        print("animation: %s (%d screen reads, %d different frames, %.1f s, %d KB)"
              % (gif, film.reads, len(film.frames), sum(s for _, s in film.frames),
                 os.path.getsize(gif) // 1024))
    for path in stills:
        print("still: %s" % path)
    shutil.rmtree(work_dir, ignore_errors=True)
    print("the demo took %.1f s; the program's exit code: %s" % (time.monotonic() - began, code))
    return 1 if failure is not None or code is None else code


if __name__ == "__main__":
    sys.exit(main())
