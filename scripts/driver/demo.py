"""demo [--build-dir DIR] [--out DIR]: the program at work on the stand-in
desktop (tests/e2e/demo_film.py), saved as stills and an animated GIF in the
out folder (default out/); exits with the program's exit code."""

import os

import e2e
import processes
import demo_film   # from tests/e2e, which e2e puts on the path

LIMIT_SECONDS = 180


def main(argv):
    return demo_film.demo(os.path.abspath(processes.option(argv, "--build-dir", processes.DEFAULT_BUILD)),
                          os.path.abspath(processes.option(argv, "--out", os.path.join(processes.ROOT, "out"))),
                          e2e.run_session, LIMIT_SECONDS)
