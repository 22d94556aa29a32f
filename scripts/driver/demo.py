"""demo [--build-dir DIR] [--out DIR]: the program at work on the stand-in
desktop (tests/e2e/demo_film.py), saved as stills and an animated GIF in
the out folder (default out/); exits with the program's exit code."""

import os
import time

import e2e
import processes
import demo_film   # from tests/e2e, which e2e puts on the path

LIMIT_SECONDS = 180


def main(argv):
    def option(name, default):
        return os.path.abspath(argv[argv.index(name) + 1] if name in argv else default)
    build_dir = option("--build-dir", processes.DEFAULT_BUILD)
    out_dir = option("--out", os.path.join(processes.ROOT, "out"))
    os.makedirs(out_dir, exist_ok=True)
    for name in os.listdir(out_dir):
        if name.endswith((".png", ".gif")):
            os.remove(os.path.join(out_dir, name))
    film = demo_film.Film()
    stills = []
    began = time.monotonic()
    _, code, failure = e2e.run_session(build_dir, "demo", LIMIT_SECONDS,
                                       lambda session: demo_film.run_demo(session, out_dir, film, stills),
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
