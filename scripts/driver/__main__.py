"""The driver: every command that runs the program, the stand-in desktop or
the benchmarks as processes under Wine.

    /usr/bin/python3 scripts/driver COMMAND [arguments]

COMMAND is one of e2e, demo, bench, soak, mutants: each a module of this
folder with main(argv) returning the exit code (`COMMAND --help` tells more).
The entry scripts (scripts/test, demo, bench, soak, mutants) start the screen
and the Wine prefix and call this."""

import sys

sys.dont_write_bytecode = True   # keep the source tree clean

import importlib  # noqa: E402

COMMANDS = ("e2e", "demo", "bench", "soak", "mutants")

if __name__ == "__main__":
    if len(sys.argv) < 2 or sys.argv[1] not in COMMANDS:
        print(__doc__)
        sys.exit(2)
    sys.exit(importlib.import_module(sys.argv[1]).main(sys.argv[2:]))
