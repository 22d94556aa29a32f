"""e2e SCENARIO [--build-dir DIR] | e2e --list: one end-to-end scenario of
tests/e2e/scenarios.py (ctest's E2E.<scenario>), within a time limit; its
screenshots and report go to <build>/e2e-failures/<scenario>/ on failure, to
<build>/e2e-shots/<scenario>/ on success with E2E_KEEP_SHOTS=1."""

import os
import shutil
import signal
import sys
import tempfile
import time
import traceback

import processes

sys.path.insert(0, os.path.join(processes.ROOT, "tests", "e2e"))   # the screen checks are test code
import harness      # noqa: E402
import scenarios    # noqa: E402

LIMIT_SECONDS = 100   # below ctest's own limit, so that the clean-up still runs


def run_session(build_dir, name, limit, body, failures_dir, shots_dir=None):
    """Runs body(session), failing it after `limit` s or on SIGTERM, then ends every program it started; the
    evidence goes to failures_dir, or to shots_dir when it passed. Returns (notes, body's result, failure)."""
    def stop(signum, _):
        raise processes.Failure("%s ran longer than %d s" % (name, limit) if signum == signal.SIGALRM
                                else "%s terminated by signal %d" % (name, signum))

    signal.signal(signal.SIGALRM, stop)
    signal.signal(signal.SIGTERM, stop)
    signal.alarm(limit)
    programs = processes.Programs(build_dir, tempfile.mkdtemp(prefix="e2e-%s-" % name))
    session = result = failure = None
    try:
        session = harness.Session(programs)
        result = body(session)
    except processes.Skipped as reason:
        result = reason
    except processes.Failure as problem:
        failure = str(problem)
    except Exception:   # a fault of the harness itself still needs the clean-up
        failure = traceback.format_exc()
    finally:
        signal.alarm(0)
        if failure is not None and session is not None:
            session.note_windows()   # while the programs still run
        programs.close()
        if session is not None:
            session.close()
    failure = failure or (programs.leftovers() and "programs left running: %s" % programs.leftovers()) or None
    folder = failures_dir if failure else shots_dir
    if folder and session is not None:
        session.save_shots(folder, programs.started, ["FAILED: " + failure] if failure else [])
        print("screenshots and report in %s" % folder)
    shutil.rmtree(programs.work_dir, ignore_errors=True)
    return (session.notes if session else []), result, failure


def main(argv):
    if argv[:1] == ["--list"]:
        print("\n".join(scenarios.SCENARIOS))   # in the order they are written
        return 0
    if not argv or argv[0] not in scenarios.SCENARIOS:
        print(__doc__ + "\nscenarios: " + " ".join(scenarios.SCENARIOS))
        return 2
    name, build_dir = argv[0], os.path.abspath(processes.option(argv, "--build-dir", processes.DEFAULT_BUILD))
    failures_dir = os.path.join(build_dir, "e2e-failures", name)
    shutil.rmtree(failures_dir, ignore_errors=True)
    keep = os.environ.get("E2E_KEEP_SHOTS") == "1"
    began = time.monotonic()
    notes, result, failure = run_session(build_dir, name, LIMIT_SECONDS, scenarios.SCENARIOS[name], failures_dir,
                                         os.path.join(build_dir, "e2e-shots", name) if keep else None)
    skipped = failure is None and isinstance(result, processes.Skipped)
    print("".join("  %s\n" % line for line in notes) + "%s: %s after %.1f s"
          % (name, "skipped" if skipped else "passed" if failure is None else "FAILED", time.monotonic() - began))
    if failure or skipped:
        print(failure or "skipped: %s" % result)
    return processes.SKIPPED_EXIT_CODE if skipped else 0 if failure is None else 1
