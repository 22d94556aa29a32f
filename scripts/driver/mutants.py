#!/usr/bin/python3
"""The mutation check: plants each fault of scripts/mutants.txt, one at a
time, in a scratch copy of the tree (<build>/mutants/src) and asks whether a
named test notices. `mutants.py [ID ...]`: every entry, or those; it needs
DISPLAY and a WINEPREFIX inside the build folder (scripts/mutants sets them).
A kill counts only when a named case fails on the mutant, fails again alone,
and passes alone on the unmutated tree, rebuilt at once. A run too long, a
program ending without naming a case, a harness traceback, a case passing
when run again, or a mutant that does not compile is an error: reported, and
the mutant runs once more. Equivalent entries run too and must survive.
Exits 1 on an error or a score below TARGET_PERCENT, 2 when the list is wrong.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

TARGET_PERCENT = 95
RUN_LIMIT_SECONDS = 600   # a test program or scenario running longer is an error
ATTEMPTS = 2              # a mutant whose run ended in an error is run once more
ROOT = Path(__file__).resolve().parents[2]
LIST = ROOT / "scripts" / "mutants.txt"
BUILD = Path(os.environ.get("MARROWTUNE_BUILD_DIR", ROOT / "build")).resolve()
SCRATCH = BUILD / "mutants" / "src"
SCRATCH_BUILD = SCRATCH / "build" / "mingw"   # the preset's own place
LOGS = BUILD / "mutants" / "logs"
# After an entry's first= and e2e= checks: the programs likeliest to see a fault in its folder, then the rest.
LIKELY = {"app": ["app_tests", "bubble_tests"], "bubble": ["bubble_tests", "app_tests"],
          "gfx": ["gfx_tests", "widgets_tests"], "locator": ["locator_tests", "bubble_tests"],
          "widgets": ["widgets_tests", "bubble_tests"]}
SCENARIO_TARGETS = ["bench/marrowtune-bubble-instrumented.exe", "tests/desktop-standin.exe"]
HARNESS_FAULTS = ("Traceback (most recent call", "ran longer than", "terminated by signal")
HEADER = re.compile(r"(\S+) (\S+)((?: \S+)*?):(?: (.*))?$")
FLAG = re.compile(r"first=(\w+):(\S+)|e2e=(\w+(?:,\w+)*)|(equivalent)$")


class ListError(Exception):
    pass


class Mutant:
    """Where to plant what; the checks to try first: (kind, program or scenario, filter)."""

    def __init__(self, match, number):
        self.id, self.path, self.number, self.oneline = match[1], match[2], number, match[4] is not None
        self.find, self.replace, self.checks, self.equivalent = [], [], [], False
        for flag in match[3].split():
            found = FLAG.match(flag) or fail("line %d: unknown flag %s" % (number, flag))
            self.checks += [("program", found[1], found[2])] if found[1] else []
            self.checks += [("scenario", name, "") for name in (found[3] or "").split(",") if name]
            self.equivalent |= bool(found[4])
        if self.oneline:
            parts = re.split(r" =>(?: |$)", match[4])
            if len(parts) != 2:
                fail("line %d: needs FIND => REPLACEMENT" % number)
            self.find, self.replace = [parts[0]], [parts[1]]


def fail(problem):
    raise ListError(problem)


def read_list(text):
    """`ID FILE [flags]: FIND => REPLACEMENT`, or `ID FILE [flags]:` then
    indented lines: `- ` a line of the text to find, `+ ` of its replacement."""
    mutants = []
    for number, line in enumerate(text.splitlines(), 1):
        body = line.lstrip()
        if not body or line.startswith("#"):
            continue
        if body == line:
            mutants.append(Mutant(HEADER.match(line) or fail("line %d: not an entry" % number), number))
        elif mutants and not mutants[-1].oneline and body[0] in "-+" and body[1:2] in ("", " "):
            (mutants[-1].find if body[0] == "-" else mutants[-1].replace).append(body[2:])
        else:
            fail("line %d: not a '- ' or '+ ' line of an entry" % number)
    for mutant in mutants:
        mutant.find, mutant.replace = "\n".join(mutant.find), "\n".join(mutant.replace)
        path = ROOT / mutant.path
        count = path.read_text().count(mutant.find) if path.is_file() and mutant.find else 0
        if count != 1:
            fail("%s (line %d): %s holds the text to find %d times, not once"
                 % (mutant.id, mutant.number, mutant.path, count))
    return mutants if len({mutant.id for mutant in mutants}) == len(mutants) else fail("an ID is given twice")


def sync_scratch():
    """The worktree's files into the scratch copy; only changed ones get a fresh time."""
    listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT, check=True,
                            capture_output=True).stdout.decode().split("\0")
    wanted = {name for name in listed if name and (ROOT / name).is_file()}
    for name in wanted:
        if not (SCRATCH / name).is_file() or (SCRATCH / name).read_bytes() != (ROOT / name).read_bytes():
            (SCRATCH / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(ROOT / name, SCRATCH / name)
    for path in SCRATCH.rglob("*"):   # files the worktree no longer has go, the build folder stays
        relative = path.relative_to(SCRATCH)
        if relative.parts[0] != "build" and path.is_file() and str(relative) not in wanted:
            path.unlink()


def quiet(command, log, cwd=SCRATCH):
    return subprocess.run(command, cwd=cwd, stdout=log, stderr=subprocess.STDOUT).returncode == 0


def targets_of(check):
    return SCENARIO_TARGETS if check[0] == "scenario" else ["tests/%s.exe" % check[1]]


def build(check, log):
    return quiet(["ninja", "-C", str(SCRATCH_BUILD)] + targets_of(check), log)


def restart_wine():
    """Ends every process of the prefix (a program left running holds its mutex)."""
    for command in (["wineserver", "-k"], ["wineserver", "-p"], ["wine", "cmd", "/c", "exit"]):
        subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def run_limited(command, cwd, log):
    """Runs `command`: its output, and its status or None when it ran too long."""
    with subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          start_new_session=True) as process:
        try:
            output, status = process.communicate(timeout=RUN_LIMIT_SECONDS)[0], process.returncode
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            output, status = process.communicate()[0], None
    text = output.decode("utf-8", "replace")
    log.write("$ %s\n%s\n" % (" ".join(command), text))
    log.flush()
    return text, status


def run_check(check, log):
    """Runs a test program or a scenario: ("pass",), ("fail", case) or ("error", why)."""
    kind, name, pattern = check
    if kind == "scenario":
        text, status = run_limited(["/usr/bin/python3", str(SCRATCH / "scripts/driver"), "e2e", name,
                                    "--build-dir", str(SCRATCH_BUILD)], SCRATCH, log)
        if status == 0:
            return ("pass",)
        if status is not None and "FAILED after" in text and not any(f in text for f in HARNESS_FAULTS):
            return ("fail", "E2E." + name)
        return ("error", "scenario %s: %s" % (name, "ran too long" if status is None else "harness failure"))
    text, status = run_limited([str(SCRATCH / "cmake/wine-run"), name + ".exe", "--gtest_fail_fast",
                                "--gtest_filter=" + (pattern or "*")], SCRATCH_BUILD / "tests", log)
    if status is None:
        return ("error", "%s ran longer than %d s" % (name, RUN_LIMIT_SECONDS))
    if status == 0:
        none = re.search(r"^\[==========\] 0 tests", text, re.M)
        return ("error", "%s: no case matches %s" % (name, pattern)) if none else ("pass",)
    failed = re.search(r"^\[  FAILED  \] ([^\s,]+)", text, re.M)   # a parameter's case: "name, where ..."
    begun, passed = re.findall(r"^\[ RUN      \] (\S+)", text, re.M), re.findall(r"^\[       OK \] (\S+)", text, re.M)
    if failed or (begun and begun[-1] not in passed):   # a case failed, or the program ended inside it
        return ("fail", failed[1] if failed else begun[-1])
    return ("error", "%s ended with status %d without naming a case" % (name, status))


def judge(mutant, checks, log):
    """Plants the mutant and runs the checks, each test program to its first failing
    case, passing over those the fault did not relink: ("killed", case),
    ("survived",) or ("error", why)."""
    path = SCRATCH / mutant.path
    original = path.read_text()
    planted_at = time.time()
    path.write_text(original.replace(mutant.find, mutant.replace))
    outcome, alone = ("pass",), None
    try:
        for check in checks:
            if not build(check, log):
                return ("error", "does not compile")
            relinked = (SCRATCH_BUILD / targets_of(check)[0]).stat().st_mtime > planted_at
            outcome = run_check(check, log) if relinked or check[0] == "scenario" else ("pass",)
            if outcome[0] == "fail":
                alone = check if check[0] == "scenario" else (check[0], check[1], outcome[1])
                again = run_check(alone, log)
                if again[0] != "fail":
                    return ("error", "%s failed on the mutant, then %s when run alone"
                            % (outcome[1], "passed" if again[0] == "pass" else "gave an error: " + again[1]))
            if outcome[0] != "pass":
                break
    finally:
        path.write_text(original)   # with a fresh time: rebuilt before it is used again
    if outcome[0] != "fail":
        return ("survived",) if outcome[0] == "pass" else outcome
    back = run_check(alone, log) if build(alone, log) else ("error", "it does not compile")
    if back[0] != "pass":
        return ("error", "%s failed on the mutant, and on the unmutated tree %s"
                % (outcome[1], "too" if back[0] == "fail" else "gave an error: " + back[1]))
    return ("killed", outcome[1])


def verdict_of(mutant, checks):
    """A mutant's verdict, run once more after an error, and the errors before it."""
    errors = []
    for _ in range(ATTEMPTS):
        with open(LOGS / (mutant.id + ".log"), "a") as log:
            verdict = judge(mutant, checks, log)
        if verdict[0] != "survived":
            restart_wine()
        if verdict[0] != "error":
            break
        errors.append(verdict[1])
    if mutant.equivalent and verdict[0] == "killed":
        verdict = ("error", "marked equivalent, yet killed by " + verdict[1])
    return verdict, errors if verdict[0] != "error" else errors[:-1]


def main(argv):
    try:
        mutants = read_list(LIST.read_text())
    except ListError as problem:
        print("%s: %s" % (LIST.relative_to(ROOT), problem))
        return 2
    unknown = sorted(set(argv) - {mutant.id for mutant in mutants})
    prefix = Path(os.environ.get("WINEPREFIX", "/")).resolve()
    if unknown or "DISPLAY" not in os.environ or BUILD not in prefix.parents:
        print("no such entries: " + " ".join(unknown) if unknown else
              "needs DISPLAY and a WINEPREFIX inside %s: run scripts/mutants" % BUILD)
        return 2
    began = time.monotonic()
    LOGS.mkdir(parents=True, exist_ok=True)
    sync_scratch()
    cache = ["-DCMAKE_%s_COMPILER_LAUNCHER=ccache" % lang for lang in ("C", "CXX")] if shutil.which("ccache") else []
    with open(LOGS / "configure.log", "w") as log:
        if not quiet(["cmake", "--preset", "mingw"] + cache, log):
            print("the scratch copy does not configure: see " + log.name)
            return 2
    listed = subprocess.run(["ninja", "-C", str(SCRATCH_BUILD), "-t", "targets", "all"], check=True,
                            capture_output=True, text=True).stdout
    programs = re.findall(r"^tests/(\w+_tests)\.exe:", listed, re.M)
    strangers = {check[1] for mutant in mutants for check in mutant.checks if check[0] == "program"} - set(programs)
    if strangers:
        print("%s: no such test programs: %s" % (LIST.relative_to(ROOT), " ".join(strangers)))
        return 2
    results = []
    for mutant in [mutant for mutant in mutants if not argv or mutant.id in argv]:
        started = time.monotonic()
        likely = dict.fromkeys(LIKELY.get(mutant.path.split("/")[0], []) + programs)
        verdict, errors = verdict_of(mutant, mutant.checks + [("program", name, "") for name in likely
                                                              if name in programs])
        results.append((mutant, verdict))
        text = {"killed": "killed by %s", "error": "ERROR: %s (see the log in " + str(LOGS) + ")",
                "survived": "equivalent, survived" if mutant.equivalent else "SURVIVED"}[verdict[0]]
        print("%-4s %-30s %s (%d s)" % (mutant.id, mutant.path, text.replace("%s", verdict[-1]),
                                        time.monotonic() - started), flush=True)
        for error in errors:
            print("     after an error in an earlier run: " + error, flush=True)

    def named(kind, equivalent=False):
        return [mutant.id for mutant, verdict in results if verdict[0] == kind and mutant.equivalent == equivalent]
    killed, survived, errors = named("killed"), named("survived"), named("error") + named("error", True)
    counted, elapsed = len(killed) + len(survived) + len(named("error")), int(time.monotonic() - began)
    permille = len(killed) * 1000 // max(counted, 1)
    print("mutants: %d killed, %d survived (%s), %d equivalent survived, %d errors (%s); %d min %d s in all"
          % (len(killed), len(survived), " ".join(survived) or "none", len(named("survived", True)),
             len(errors), " ".join(errors) or "none", elapsed // 60, elapsed % 60))
    print("score: %d of %d killed = %d.%d %% (target %d %%; equivalents not counted)"
          % (len(killed), counted, permille // 10, permille % 10, TARGET_PERCENT))
    return 0 if not errors and (counted == 0 or permille >= TARGET_PERCENT * 10) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
