#!/usr/bin/env python3
"""The capture judge on made-up captures of the long take: each kind of gap is found where it
was made, and only silence inside a block with a server-wide dry-out or a hold of the whole
machine within 10 ms of it, one event for one silence, is let through; frames missing,
repeated or changed fail whatever was seen. Then the judge's inputs: a made-up server log
read for the server-wide dry-outs and the capture's start, and made-up stalls of the cores
read for the holds of the whole machine."""

import os
import struct
import sys
import tempfile

sys.dont_write_bytecode = True
from capture_judge import Event, dry_out_events, judge  # noqa: E402
from e2e_capture import compare_data, gap_differences  # noqa: E402
from e2e_sound import ServerLog  # noqa: E402
from e2e_takes import BLOCK, RATE, write_long_take  # noqa: E402
from stall_probe import machine_stalls  # noqa: E402

SECONDS = 20
HEAD = 4800   # frames of silence before the take starts, as a capture has


def silence(frames):
    return bytes(4 * frames)


def at(frame):
    return 4 * frame


def capture_seconds(take_frame, inserted_before=0):
    """Where take_frame lies in a made-up capture, in seconds from its first frame."""
    return (HEAD + take_frame + inserted_before) / RATE


def dry_out(seconds):
    return Event(seconds, seconds, "a made-up dry-out")


def hold(start, end):
    return Event(start, end, "a made-up hold of the whole machine")


def judge_failures(data, take, data_bytes, work):
    # name, capture, gaps expected as (take frame, frames inserted, frames skipped), a problem
    # expected from the comparison itself, the events seen (on the capture's clock), and how
    # many differences must fail and how many be excused, from the judge's rules
    one_silence = data[:at(123456)] + silence(240) + data[at(123456):]
    first = capture_seconds(123456)
    two_silences = one_silence[:at(400000)] + silence(480) + one_silence[at(400000):]
    second = capture_seconds(399760, 240)
    # Five short silences in one block, 2 ms of the take apart: one dry-out is within reach of each.
    five_at = [100000 + 96 * k for k in range(5)]
    five_silences = b"".join(data[at(a):at(b)] + silence(48) for a, b in zip([0] + five_at, five_at)) + \
        data[at(five_at[-1]):]
    between_blocks = data[:at(100 * BLOCK)] + silence(240) + data[at(100 * BLOCK):]
    changed = data[:at(700000)] + struct.pack("<hh", 123, 4567) + data[at(700001):]
    cases = [
        ("exact", data, [], None, [], 0, 0),
        ("one frame short at the start", data[4:], [], None, [], 0, 0),
        ("silence while every core stalled", one_silence, [(123456, 240, 0)], None,
         [hold(first - 0.030, first + 0.002)], 0, 1),
        ("silence with nothing seen", one_silence, [(123456, 240, 0)], None, [], 1, 0),
        ("silence with a server-wide dry-out in it", one_silence, [(123456, 240, 0)], None,
         [dry_out(first + 0.004)], 0, 1),
        ("silence with a dry-out 50 ms before it", one_silence, [(123456, 240, 0)], None,
         [dry_out(first - 0.050)], 1, 0),
        ("two silences, a dry-out at the second", two_silences, [(123456, 240, 0), (399760, 480, 0)], None,
         [dry_out(second + 0.001)], 1, 1),
        ("two dry-outs for one silence", one_silence, [(123456, 240, 0)], None,
         [dry_out(first), dry_out(first + 0.003)], 0, 1),
        ("five silences with one dry-out", five_silences,
         [(frame, 48, 0) for frame in five_at], None, [dry_out(capture_seconds(five_at[2], 2 * 48))], 4, 1),
        ("silence between two blocks with a dry-out", between_blocks, [(100 * BLOCK, 240, 0)], None,
         [dry_out(capture_seconds(100 * BLOCK) + 0.001)], 1, 0),
        ("frames missing while the host took time", data[:at(300000)] + data[at(300480):], [(300000, 0, 480)], None,
         [hold(capture_seconds(300000) - 0.030, capture_seconds(300000) + 0.010), dry_out(capture_seconds(300000))],
         1, 0),
        ("frames repeated with a dry-out", data[:at(500000)] + data[at(499520):], [(500000, 0, -480)], None,
         [dry_out(capture_seconds(500000))], 1, 0),
        ("silence in place of frames with a dry-out", data[:at(600100)] + silence(240) + data[at(600340):],
         [(600100, 240, 240)], None, [dry_out(capture_seconds(600100) + 0.001)], 1, 0),
        ("a changed frame with a stall seen", changed, [], "differs from the take at frame 700000",
         [hold(capture_seconds(700000) - 0.030, capture_seconds(700000) + 0.010)], 1, 0),
        ("the end cut", data[:-at(1000)], [], "the capture ends at frame %d" % (SECONDS * RATE - 1000), [], 1, 0),
    ]
    failures = []
    capture = os.path.join(work, "capture.raw")
    for name, body, want_gaps, want_problem, events, want_failed, want_excused in cases:
        with open(capture, "wb") as f:
            f.write(silence(HEAD) + body + silence(HEAD))
        problems, facts, gaps = compare_data(capture, take, data_bytes)
        got_gaps = [(take_frame, inserted, skipped) for take_frame, _, inserted, skipped in gaps]
        if got_gaps != want_gaps:
            failures.append("%s: gaps %s, not %s" % (name, got_gaps, want_gaps))
        if want_problem is None and problems:
            failures.append("%s: %s" % (name, problems))
        if want_problem is not None and not any(want_problem in p for p in problems):
            failures.append("%s: %s does not say %r" % (name, problems, want_problem))
        failed, excused = judge(gap_differences(problems, gaps, lambda frame: "made up"), BLOCK, events)
        print("%s: %d failed, %d excused" % (name, len(failed), len(excused)))
        if (len(failed), len(excused)) != (want_failed, want_excused):
            failures.append("%s: %d failed, %d excused, not %d and %d: %s" % (
                name, len(failed), len(excused), want_failed, want_excused, failed + excused))
        if name == "one frame short at the start" and facts.get("head frames lost") != 1:
            failures.append("%s: %s" % (name, facts))
    return len(cases), failures


def input_failures(work):
    """A made-up server log: a dry-out alone, one with a silence stream a few ms apart, one with
    only another of wine's streams, and the two of the take's end; only what follows the mark
    counts. And made-up stalls of two cores."""
    def line(seconds, stream):
        return "(%8.3f|   0.000) D: [null-sink] protocol-native.c: Implicit underrun of '%s'\n" % (seconds, stream)

    def created(seconds):
        return ('(%8.3f|   0.000) I: [pulseaudio] source-output.c: Created output 9 "vp-e2e-capture" on '
                'vp_e2e_48000.monitor\n'
                % seconds)
    os.environ["VP_ENV_RUN"] = work
    log_path = os.path.join(work, "pulse.log")
    with open(log_path, "w") as log:
        log.writelines([created(0.5), line(1.0, "audio stream #1"), line(1.0, "silence")])
    server_log = ServerLog()
    with open(log_path, "a") as log:
        log.write("(   2.000|   0.000) I: [pulseaudio] sink-input.c: Created input 5 \"audio stream #1\"\n")
        log.writelines([created(2.5), line(3.0, "audio stream #1"), line(4.0, "silence"), line(4.004, "audio stream #2"),
                        line(4.006, "vp-e2e-busy"), line(6.0, "audio stream #2"), line(6.003, "format test stream"),
                        line(9.97, "audio stream #2"), line(10.0, "audio stream #2")])
    failures = []
    server_wide, start = server_log.server_wide_dry_outs(), server_log.capture_start()
    if (server_wide, start) != ([4.004], 2.5):
        failures.append("the server log reads as server-wide dry-outs %s and the capture's start %s, not [4.004], 2.5"
                        % (server_wide, start))
    placed = [round(event.start, 6) for event in dry_out_events(server_wide, start)]
    if placed != [1.504] or dry_out_events(server_wide, None):
        failures.append("the dry-outs fall at %s s of the capture, not [1.504]" % placed)

    # name, stalls (start, cpu, ms late), cores, holds of the whole machine expected
    stall_cases = [
        ("both cores at once", [(1.0, 0, 30.0), (1.005, 1, 30.0)], 2, [(1.005, 1.030)]),
        ("one core", [(1.0, 0, 30.0), (2.0, 0, 40.0)], 2, []),
        ("both, overlapping by 3 ms", [(1.0, 0, 10.0), (1.007, 1, 10.0)], 2, []),
        ("one after the other", [(1.0, 0, 10.0), (1.011, 1, 10.0)], 2, []),
    ]
    for name, stalls, cores, want in stall_cases:
        got = [(round(a, 6), round(b, 6)) for a, b in machine_stalls(stalls, cores, 5)]
        if got != want:
            failures.append("stalls, %s: holds %s, not %s" % (name, got, want))
    return failures


def main():
    with tempfile.TemporaryDirectory() as work:
        take = os.path.join(work, "take.wav")
        data_bytes = write_long_take(take, SECONDS)
        with open(take, "rb") as f:
            f.seek(44)
            data = f.read()
        cases, failures = judge_failures(data, take, data_bytes, work)
        failures += input_failures(work)
    for failure in failures:
        print("FAIL: " + failure)
    print("capture judge: %d captures, %d failures" % (cases, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
