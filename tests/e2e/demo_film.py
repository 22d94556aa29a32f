"""The demo (scripts/driver demo): the real program on the stand-in desktop.
The icon moves on the same side, then across (the bubble flips); the
pointer hovers and clicks the button, and the program ends. Each stage is
checked on the screen as the scenarios check it and saved as a still
(01-found.png ... 06-gone.png); the run is filmed at about ten frames a
second, the pointer drawn in, into demo.gif. Exits with the program's exit
code (1 when the demo failed before the program ended)."""

import os
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
# The pointer glides slowly enough for the film to show its way.
POINTER_GLIDE_STEPS = 12
POINTER_GLIDE_PAUSE = 0.03
# Checks of the screen poll slowly, leaving the filming thread its pace.
CHECK_INTERVAL = 0.3


class Film(threading.Thread):
    """Reads the screen and the pointer every FRAME_INTERVAL on an X
    connection of its own; identical frames are merged into one longer one."""

    def __init__(self):
        super().__init__(daemon=True)
        self.frames = []          # [image, seconds shown]
        self.stopping = threading.Event()
        self.failure = None
        self.reads = 0

    def run(self):
        screen = None
        try:
            screen = xscreen.Screen(os.environ["DISPLAY"])
            size = (int((FILM_BOX[2] - FILM_BOX[0]) * FILM_SCALE), int((FILM_BOX[3] - FILM_BOX[1]) * FILM_SCALE))
            last = due = time.monotonic()
            while not self.stopping.is_set():
                frame = screen.grab(FILM_BOX)
                self.reads += 1
                screen.cursor().draw_on(frame, FILM_BOX[:2])
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
            if screen is not None:
                screen.close()

    def stop(self):
        self.stopping.set()
        self.join(10)

    def write_gif(self, path):
        """Assembles the frames with ImageMagick, each shown as long as it lasted."""
        arguments = ["convert", "-loop", "0"]
        with tempfile.TemporaryDirectory(prefix="marrowtune-demo-") as frames_dir:
            for index, (frame, seconds) in enumerate(self.frames):
                name = os.path.join(frames_dir, "frame-%04d.png" % index)
                frame.save(name)
                arguments += ["-delay", str(max(2, int(round(seconds * 100)))), name]
            arguments += ["-layers", "Optimize", path]
            subprocess.run(arguments, check=True, timeout=300)


def still(session, out_dir, label):
    """A screenshot (`import`) with the pointer drawn in, saved as out/label.png."""
    image = session.shot(label).copy()
    session.cursor().draw_on(image)
    path = os.path.join(out_dir, label + ".png")
    image.save(path, optimize=True)
    return path


def run_demo(session, out_dir, film, stills):
    """The stages; returns the program's exit code."""
    standin = session.start_standin(ICONS)
    baselines = {}
    for icon in (MOVED, FLIPPED, scenarios.HOME):
        standin.move(harness.TARGET_ICON, icon)
        baselines[icon] = session.settled("desktop")

    def stage(name, what, icon, state="normal", shown=True, pause=PAUSE):
        """Waits until the screen shows the desktop with the icon at `icon`
        and, when `shown`, the bubble beside it with its button in `state`;
        saves that as the next still and gives the viewer `pause` s to see it."""
        place = session.geometry.place(icon)
        session.wait_for_screen(what, baselines[icon], place if shown else None, state, interval=CHECK_INTERVAL)
        stills.append(still(session, out_dir, "%02d-%s" % (len(stills) + 1, name)))
        time.sleep(pause)
        return place

    film.start()
    try:
        time.sleep(PAUSE / 2)
        product = session.start_program("marrowtune-bubble", [session.programs.path("marrowtune-bubble.exe")])
        stage("found", "the bubble beside the icon", scenarios.HOME)
        standin.move(harness.TARGET_ICON, MOVED)
        stage("moved", "the bubble beside the moved icon", MOVED)
        standin.move(harness.TARGET_ICON, FLIPPED)
        place = stage("flipped", "the bubble flipped to the icon's left", FLIPPED)
        button = scenarios.on_bubble(session, place, scenarios.BUTTON_MIDDLE[place[2]])
        session.move_pointer(*button, steps=POINTER_GLIDE_STEPS, pause=POINTER_GLIDE_PAUSE)
        stage("hover", "the hover button", FLIPPED, "hover", pause=PAUSE / 2)
        session.press()
        stage("pressed", "the pressed button", FLIPPED, "pressed", pause=PAUSE / 3)
        session.release()
        code = product.wait(scenarios.EXIT_LIMIT)
        harness.check(code is not None, "the program still runs after the click")
        session.move_pointer(*harness.POINTER_PARK, steps=POINTER_GLIDE_STEPS, pause=POINTER_GLIDE_PAUSE)
        stage("gone", "the bare desktop", FLIPPED, shown=False)
        return code
    finally:
        film.stop()


def demo(build_dir, out_dir, run_session, limit):
    """Runs the demo through run_session (the driver's), saving into out_dir;
    returns the exit code."""
    os.makedirs(out_dir, exist_ok=True)
    for name in os.listdir(out_dir):
        if name.endswith((".png", ".gif")):
            os.remove(os.path.join(out_dir, name))
    film, stills, began = Film(), [], time.monotonic()
    _, code, failure = run_session(build_dir, "demo", limit, lambda session: run_demo(session, out_dir, film, stills),
                                   os.path.join(out_dir, "failure"))
    failure = failure or (film.failure and "filming failed: %s" % film.failure)
    if failure:
        print("demo FAILED: %s" % failure)
    if film.frames:
        gif = os.path.join(out_dir, "demo.gif")
        film.write_gif(gif)
        print("animation: %s (%d screen reads, %d different frames, %.1f s, %d KB)"
              % (gif, film.reads, len(film.frames), sum(s for _, s in film.frames), os.path.getsize(gif) // 1024))
    print("".join("still: %s\n" % path for path in stills) + "the demo took %.1f s; the program's exit code: %s"
          % (time.monotonic() - began, code))
    return 1 if failure or code is None else code
