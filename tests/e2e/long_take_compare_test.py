#!/usr/bin/env python3
"""The long take's judge on made-up captures: each kind of gap is found where it was made and
only silence while the host held a core is let through, as a warning."""

import os
import sys
import tempfile

sys.dont_write_bytecode = True
from long_take import compare, judge_gaps, write_long_take  # noqa: E402

SECONDS = 20
HEAD = 4800   # frames of silence before the take starts, as a capture has


def silence(frames):
    return bytes(4 * frames)


def main():
    failures = []
    with tempfile.TemporaryDirectory() as work:
        take = os.path.join(work, "take.wav")
        data_bytes = write_long_take(take, SECONDS)
        with open(take, "rb") as f:
            f.seek(44)
            data = f.read()

        def at(frame):
            return 4 * frame

        # name, capture, gaps expected as (take frame, frames inserted, frames skipped),
        # a problem expected from the comparison itself, and whether the host took time then
        cases = [
            ("exact", data, [], None, 0.0),
            ("one frame short at the start", data[4:], [], None, 0.0),
            ("silence while the host held a core",
             data[:at(123456)] + silence(240) + data[at(123456):], [(123456, 240, 0)], None, 0.2),
            ("silence while the host took nothing",
             data[:at(123456)] + silence(240) + data[at(123456):], [(123456, 240, 0)], None, 0.0),
            ("frames missing", data[:at(300000)] + data[at(300480):], [(300000, 0, 480)], None, 0.2),
            ("frames repeated", data[:at(500000)] + data[at(499520):], [(500000, 0, -480)], None, 0.2),
            ("silence in place of frames",
             data[:at(600000)] + silence(240) + data[at(600240):], [(600000, 240, 240)], None, 0.2),
            ("the end cut", data[:-at(1000)], [], "the capture ends at frame %d" % (SECONDS * 48000 - 1000), 0.0),
        ]
        capture = os.path.join(work, "capture.raw")
        for name, body, want_gaps, want_problem, host_took in cases:
            with open(capture, "wb") as f:
                f.write(silence(HEAD) + body + silence(HEAD))
            problems, facts, gaps = compare(capture, take, data_bytes)
            got_gaps = [(take_frame, inserted, skipped) for take_frame, _, inserted, skipped in gaps]
            if got_gaps != want_gaps:
                failures.append("%s: gaps %s, not %s" % (name, got_gaps, want_gaps))
            if want_problem is None and problems:
                failures.append("%s: %s" % (name, problems))
            if want_problem is not None and not any(want_problem in p for p in problems):
                failures.append("%s: %s does not say %r" % (name, problems, want_problem))
            gap_problems, warnings = judge_gaps(gaps, lambda frame: (host_took > 0, "made up"))
            host_silence = all(inserted > 0 and skipped == 0 for _, inserted, skipped in want_gaps) and host_took > 0
            if (len(warnings), len(gap_problems)) != ((len(gaps), 0) if host_silence else (0, len(gaps))):
                failures.append("%s: judged %d warnings, %d problems" % (name, len(warnings), len(gap_problems)))
            if name == "one frame short at the start" and facts.get("head frames lost") != 1:
                failures.append("%s: %s" % (name, facts))
    for failure in failures:
        print("FAIL: " + failure)
    print("long take judge: %d cases, %d failures" % (len(cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
