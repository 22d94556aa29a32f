#!/usr/bin/python3
"""Runs one end-to-end scenario against the built program.

    run.py <scenario> --build-dir <CMake build folder>    (run.py --list names them)

Needs DISPLAY and WINEPREFIX as scripts/test sets them. Ends every process
it started, by PID, whatever happens, within a hard time limit. On failure
the screenshots and a report go to <build folder>/e2e-failures/<scenario>/;
with E2E_KEEP_SHOTS=1 in the environment they go to
<build folder>/e2e-shots/<scenario>/ on success too.
"""

import sys

sys.dont_write_bytecode = True   # keep the source tree clean

import argparse
import os
import shutil
import time

import harness
import scenarios

# Below ctest's own limit for the test, so that the clean-up still runs.
SCENARIO_LIMIT_SECONDS = 100


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", nargs="?", choices=sorted(scenarios.SCENARIOS))
    parser.add_argument("--build-dir", default=os.path.join(harness.SOURCE_DIR, "build", "mingw"),
                        help="the CMake build folder holding marrowtune-bubble.exe")
    parser.add_argument("--list", action="store_true", help="print the scenario names")
    arguments = parser.parse_args()
    if arguments.list or not arguments.scenario:
        print("\n".join(scenarios.SCENARIOS))   # in the order they are written
        return 0

    name = arguments.scenario
    build_dir = os.path.abspath(arguments.build_dir)
    failures_dir = os.path.join(build_dir, "e2e-failures", name)
    shutil.rmtree(failures_dir, ignore_errors=True)
    shots_dir = os.path.join(build_dir, "e2e-shots", name) if os.environ.get("E2E_KEEP_SHOTS") == "1" else None
    began = time.monotonic()
    notes, _, failure = harness.run_session(build_dir, name, SCENARIO_LIMIT_SECONDS, scenarios.SCENARIOS[name],
                                            failures_dir, shots_dir)
    for line in notes:
        print("  " + line)
    if failure is None:
        print("%s: passed in %.1f s" % (name, time.monotonic() - began))
        return 0
    print("%s: FAILED after %.1f s\n%s" % (name, time.monotonic() - began, failure))
    return 1

if __name__ == "__main__":
    sys.exit(main())
