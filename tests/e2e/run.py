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
import signal
import tempfile
import time
import traceback

import harness
import scenarios

# Below ctest's own limit for the test, so that the clean-up below still runs.
SCENARIO_LIMIT_SECONDS = 100


class HardTimeout(Exception):
    pass


def on_alarm(signum, frame):
    raise HardTimeout("the scenario ran longer than %d s" % SCENARIO_LIMIT_SECONDS)


def on_terminate(signum, frame):
    raise HardTimeout("terminated by signal %d" % signum)


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
    work_dir = tempfile.mkdtemp(prefix="e2e-%s-" % name)

    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGTERM, on_terminate)
    signal.alarm(SCENARIO_LIMIT_SECONDS)
    began = time.monotonic()
    session = None
    failure = None
    try:
        session = harness.Session(build_dir, name, work_dir)
        scenarios.SCENARIOS[name](session)
    except (harness.ScenarioFailure, HardTimeout) as problem:
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
        leftovers = []
        if session is not None:
            session.close()
            leftovers = session.leftovers()
    if leftovers and failure is None:
        failure = "processes left running: %s" % leftovers

    elapsed = time.monotonic() - began
    if session is not None:
        for line in session.notes:
            print("  " + line)
    if failure is None:
        print("%s: passed in %.1f s" % (name, elapsed))
        if os.environ.get("E2E_KEEP_SHOTS") == "1":
            folder = os.path.join(build_dir, "e2e-shots", name)
            session.save_shots(folder)
            print("  screenshots in %s" % folder)
    else:
        print("%s: FAILED after %.1f s\n%s" % (name, elapsed, failure))
        if session is not None:
            session.save_shots(failures_dir, ["FAILED: " + failure])
            print("screenshots and report in %s" % failures_dir)
    shutil.rmtree(work_dir, ignore_errors=True)
    return 0 if failure is None else 1


if __name__ == "__main__":
    sys.exit(main())
