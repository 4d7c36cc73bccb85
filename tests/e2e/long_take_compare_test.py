#!/usr/bin/env python3
"""The long take's judge on made-up captures: each kind of gap is found where it was made and
only silence while the host held a core, or while the server's own streams ran dry too, is
let through, as a warning; and the sound server's log read for when the player's stream ran dry."""

import os
import sys
import tempfile

sys.dont_write_bytecode = True
from e2e_common import ServerLog  # noqa: E402
from long_take import compare, judge_gaps, write_long_take  # noqa: E402

SECONDS = 20
HEAD = 4800   # frames of silence before the take starts, as a capture has


def silence(frames):
    return bytes(4 * frames)


def server_log_failures(work):
    """A made-up server log: a dry-out alone, one with the server's own streams a few ms
    apart, and the two of the take's end; only what follows the mark counts."""
    def line(seconds, stream):
        return "(%8.3f|   0.000) D: [null-sink] protocol-native.c: Implicit underrun of '%s'\n" % (seconds, stream)
    os.environ["VP_ENV_RUN"] = work
    log_path = os.path.join(work, "pulse.log")
    with open(log_path, "w") as log:
        log.write(line(1.0, "audio stream #1"))
    server_log = ServerLog()
    with open(log_path, "a") as log:
        log.write("(   2.000|   0.000) I: [pulseaudio] sink-input.c: Created input 5 \"audio stream #1\"\n")
        log.writelines([line(3.0, "audio stream #1"), line(4.0, "silence"), line(4.004, "audio stream #2"),
                        line(4.006, "/dev/zero"), line(9.97, "audio stream #2"), line(10.0, "audio stream #2")])
    dry_outs, server_wide = server_log.player_dry_outs(), server_log.server_wide_dry_outs()
    if (dry_outs, server_wide) != ([False, True], 1):
        return ["the server log reads as dry-outs %s, %d with the server's, not [False, True], 1" % (dry_outs, server_wide)]
    return []


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
        # a problem expected from the comparison itself, whether the host took time then, and
        # whether each time the player's stream ran dry the server's own streams did too, and how
        # many gaps are let through as warnings (the rest are problems)
        one_silence = data[:at(123456)] + silence(240) + data[at(123456):]
        two_silences = one_silence[:at(400000)] + silence(480) + one_silence[at(400000):]
        cases = [
            ("exact", data, [], None, 0.0, [], 0),
            ("one frame short at the start", data[4:], [], None, 0.0, [], 0),
            ("silence while the host held a core", one_silence, [(123456, 240, 0)], None, 0.2, [False], 1),
            ("silence while the host took nothing", one_silence, [(123456, 240, 0)], None, 0.0, [False], 0),
            ("silence while the server's streams ran dry", one_silence, [(123456, 240, 0)], None, 0.0, [True], 1),
            ("one silence of two with the server's streams", two_silences,
             [(123456, 240, 0), (399760, 480, 0)], None, 0.0, [True, False], 1),
            ("two dry-outs with the server's streams for one silence", one_silence, [(123456, 240, 0)], None, 0.0,
             [True, True], 1),
            ("two dry-outs, one alone, for one silence", one_silence, [(123456, 240, 0)], None, 0.0, [True, False], 0),
            ("frames missing", data[:at(300000)] + data[at(300480):], [(300000, 0, 480)], None, 0.2, [True], 0),
            ("frames repeated", data[:at(500000)] + data[at(499520):], [(500000, 0, -480)], None, 0.2, [], 0),
            ("silence in place of frames",
             data[:at(600000)] + silence(240) + data[at(600240):], [(600000, 240, 240)], None, 0.2, [True], 0),
            ("the end cut", data[:-at(1000)], [], "the capture ends at frame %d" % (SECONDS * 48000 - 1000),
             0.0, [], 0),
        ]
        capture = os.path.join(work, "capture.raw")
        for name, body, want_gaps, want_problem, host_took, dry_outs, warned in cases:
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
            gap_problems, warnings = judge_gaps(gaps, lambda frame: (host_took > 0, "made up"), dry_outs)
            if (len(warnings), len(gap_problems)) != (warned, len(gaps) - warned):
                failures.append("%s: judged %d warnings, %d problems" % (name, len(warnings), len(gap_problems)))
            if name == "one frame short at the start" and facts.get("head frames lost") != 1:
                failures.append("%s: %s" % (name, facts))
        failures += server_log_failures(work)
    for failure in failures:
        print("FAIL: " + failure)
    print("long take judge: %d cases, %d failures" % (len(cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
