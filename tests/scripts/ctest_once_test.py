#!/usr/bin/env python3
"""scripts/ctest-once against a stand-in ctest first on PATH: only a test whose own result line
says it passed and whose process then died of a signal runs once more, with a RETRY line; any
other failure stands and is never run again."""

import os
import stat
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CTEST_ONCE = os.path.join(HERE, "..", "..", "scripts", "ctest-once")

# The stand-in prints the first run's result lines and writes their outputs to LastTest.log;
# a run with -R prints each named test as passed. Every call is noted.
STAND_IN = r'''#!/usr/bin/env python3
import os, sys
work = os.environ["STAND_IN_DIR"]
with open(os.path.join(work, "calls"), "a") as calls:
    calls.write(" ".join(sys.argv[1:]) + "\n")
if "-R" in sys.argv:
    names = sys.argv[sys.argv.index("-R") + 1].split("|")
    for i, name in enumerate(names):
        print("%d/%d Test #%d: %s .......   Passed    0.10 sec" % (i + 1, len(names), i + 1, name[1:-1].replace("\\", "")))
    sys.exit(0)
rows = [line.rstrip("\n").split("|") for line in open(os.path.join(work, "plan"))]
os.makedirs(os.path.join(work, "build/win32/Testing/Temporary"), exist_ok=True)
with open(os.path.join(work, "build/win32/Testing/Temporary/LastTest.log"), "w") as log:
    for i, (name, outcome, output) in enumerate(rows):
        print("%d/%d Test #%d: %s .......%s   0.20 sec" % (i + 1, len(rows), i + 1, name, outcome))
        log.write("%d/%d Test: %s\nCommand: x\nOutput:\n----\n%s\n<end of output>\n" % (i + 1, len(rows), name, output))
sys.exit(0 if all("Passed" in outcome for _, outcome, _ in rows) else 8)
'''

PASSED = "[ RUN      ] A.B\\n[       OK ] A.B (5 ms)\\n[  PASSED  ] 1 test."
FAILED = "[ RUN      ] A.B\\nboom\\n[  FAILED  ] 1 test, listed below:"

CASES = [
    # name, plan (test, ctest's outcome, the test's output), exit status, tests run again
    ("passed, then died at exit", [("A.B", "***Exception: SegFault", PASSED), ("C.D", "   Passed", PASSED)], 0, ["A.B"]),
    ("a failed assertion", [("A.B", "***Failed", FAILED)], 1, []),
    ("died before its result", [("A.B", "***Exception: SegFault", "[ RUN      ] A.B")], 1, []),
    ("a crash that failed", [("A.B", "***Exception: SegFault", FAILED)], 1, []),
    ("one of each", [("A.B", "***Exception: SegFault", PASSED), ("C.D", "***Failed", FAILED)], 1, ["A.B"]),
]


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        bin_dir = os.path.join(work, "bin")
        os.mkdir(bin_dir)
        ctest = os.path.join(bin_dir, "ctest")
        with open(ctest, "w") as f:
            f.write(STAND_IN)
        os.chmod(ctest, os.stat(ctest).st_mode | stat.S_IXUSR)
        for name, plan, want_status, want_again in CASES:
            for leftover in ("calls", "plan"):
                if os.path.exists(os.path.join(work, leftover)):
                    os.remove(os.path.join(work, leftover))
            with open(os.path.join(work, "plan"), "w") as f:
                f.writelines("%s|%s|%s\n" % row for row in plan)
            env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"], STAND_IN_DIR=work)
            run = subprocess.run([sys.executable, CTEST_ONCE, "--preset", "win32", "-LE", "e2e"], cwd=work, env=env,
                                 capture_output=True, text=True)
            calls = open(os.path.join(work, "calls")).read().splitlines()
            again = [c.split("-R ", 1)[1].replace("^", "").replace("$", "").replace("\\", "").split("|")
                     for c in calls if " -R " in c]
            got_again = again[0] if again else []
            retries = [line for line in run.stdout.splitlines() if line.startswith("RETRY: ")]
            problems = []
            if (run.returncode == 0) != (want_status == 0):
                problems.append("exit status %d, wanted %s" % (run.returncode, "0" if want_status == 0 else "non-zero"))
            if got_again != want_again or len(again) > 1:
                problems.append("ran again %s, wanted %s" % (again, want_again))
            if len(retries) != len(want_again):
                problems.append("%d RETRY lines for %d tests run again" % (len(retries), len(want_again)))
            for problem in problems:
                print("FAIL [%s]: %s" % (name, problem))
            failures += len(problems)
    if failures == 0:
        print("ctest-once: %d cases passed" % len(CASES))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
