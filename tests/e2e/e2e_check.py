"""What an end-to-end test checks and how it ends: every failure said on a FAIL line as it is
found and counted, the test environment's variables looked for first, and the exit code."""

import os

FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def environment_missing(program):
    """The name of a variable of the test environment that is not set, after saying so."""
    for var in ("DISPLAY", "PULSE_SERVER", "WINEPREFIX", "VP_WINE"):
        if not os.environ.get(var):
            print("%s: %s is not set: run inside the test environment (scripts/test)" % (program, var))
            return var
    return None


def outcome(passed):
    """The exit code: 1 after counting the failures, else 0 after saying passed."""
    if FAILURES:
        print("%d failures" % len(FAILURES))
        return 1
    print(passed)
    return 0
