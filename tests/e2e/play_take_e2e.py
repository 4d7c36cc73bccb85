#!/usr/bin/env python3
"""End to end: the playback driver plays generated takes through the real wave output
into a PulseAudio null sink, parec records the sink's monitor, and the recording must
equal the expected stereo mix sample for sample.

Runs inside the test environment (DISPLAY, PULSE_SERVER, WINEPREFIX and VP_WINE set).
For each take a null sink at the take's own rate is loaded and made the default, with a
silent stream keeping it running in real time, so the sound server has nothing to
resample; the script prints the sample format of the player's stream and the
resampler the server chose for it.

The expected mix is worked out here from the take's bytes, independently of the engine:
for every frame, the enabled channels' top 16 bits as signed numbers, odd channels summed
into the left side and even ones into the right (the takes are quiet enough that no sum
leaves the 16-bit range), whole blocks of a tenth of a second, the last one padded with
silence.

What differs is judged by the capture judge (capture_judge.py): only silence inside a block,
between two frames that follow each other, with a server-wide dry-out within 10 ms of it
(one dry-out for one silence) is warned of and not judged; anything else fails. A take whose
capture fails is played again, up to three times in all, each time said on a RETRY line.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True   # the source folder stays clean
from capture_judge import dry_out_events, fault, judge, silence  # noqa: E402
from e2e_capture import SILENCE, TOLERANCE, first_loud, play_judged, read_capture, silent  # noqa: E402
from e2e_check import check, environment_missing, outcome  # noqa: E402
from e2e_host import NICENESS  # noqa: E402
from e2e_sound import RateSink, ServerLog, pactl  # noqa: E402
from e2e_takes import expected_mix, tone_take  # noqa: E402

DRIVER = None          # play_take.exe of the build under test


class StreamWatch(threading.Thread):
    """Polls the server's sink inputs while the driver plays and keeps what it learns
    about the driver's stream."""

    def __init__(self):
        super().__init__(daemon=True)
        self.stop = threading.Event()
        self.seen = {}

    def run(self):
        while not self.stop.is_set():
            try:
                text = pactl("list", "sink-inputs")
            except subprocess.CalledProcessError:
                text = ""
            for entry in text.split("Sink Input #")[1:]:
                # The driver's own stream: not the silent ones, not wine's format probe,
                # not the stream of another test program playing beside this one.
                if 'application.name = "play_take.exe"' not in entry or "format test stream" in entry:
                    continue
                for key in ("Sample Specification", "Resample method"):
                    found = re.search(r"^\s*%s:\s*(.*)$" % key, entry, re.M)
                    if found:
                        self.seen[key] = found.group(1).strip()
            if "Sample Specification" in self.seen:
                return   # seen once is enough; every query costs the sound server time
            self.stop.wait(0.3)


# ---- the driver ----

def run_driver(command, timeout):
    # scripts/play-take uses the build this driver belongs to.
    build = os.path.dirname(os.path.dirname(os.path.abspath(DRIVER)))
    env = dict(os.environ, VP_BUILD_DIR=build)
    began = time.monotonic()
    result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout, env=env)
    wall = time.monotonic() - began
    out = result.stdout.decode("latin-1").replace("\r", "")
    err = result.stderr.decode("latin-1").replace("\r", "")
    return result.returncode, out, err, wall


def underrun_gaps(exp_left, exp_right, cap_left, cap_right, offset):
    """Reads the capture as the expected frames in order with runs of silence inserted
    (what the sound server plays when a stream runs dry). Returns the inserted runs as
    (frame, capture frame, length), the largest difference of the frames that matched and
    the capture frame after the last of them, or None when the capture is not that: a lost,
    repeated or altered frame."""
    gaps, j, worst = [], offset, 0
    for i in range(len(exp_left)):
        run = 0
        while True:
            if j >= len(cap_left):
                return None
            d = max(abs(cap_left[j] - exp_left[i]), abs(cap_right[j] - exp_right[i]))
            if d <= TOLERANCE:
                worst = max(worst, d)
                j += 1
                break
            if not silent(cap_left[j], cap_right[j]):
                return None
            run += 1
            j += 1
        if run:
            gaps.append((i, j - 1 - run, run))
    return gaps, worst, j


def compare(name, capture_path, exp_left, exp_right, block, rate):
    """Compares one capture with the expected mix. Returns what differs, for the capture
    judge: each run of silence inserted between two frames of the mix that follow each
    other, when the capture reads as every frame in order with such runs; else faults."""
    cap_left, cap_right = read_capture(capture_path)
    threshold = 8
    exp_start = first_loud(exp_left, exp_right, threshold)
    cap_start = first_loud(cap_left, cap_right, threshold)
    if exp_start < 0:
        return [fault("%s: the expected mix is silent" % name)]
    if cap_start < 0:
        return [fault("%s: nothing was captured (%d frames recorded)" % (name, len(cap_left)))]
    offset = cap_start - exp_start
    length = len(exp_left)
    if offset < 0:
        return [fault("%s: the capture starts inside the mix" % name)]
    if offset + length > len(cap_left):
        return [fault("%s: the capture ends %d frames before the mix" % (name, offset + length - len(cap_left)))]
    worst, differing, first_bad = 0, 0, -1
    for exp, cap in ((exp_left, cap_left), (exp_right, cap_right)):
        for i in range(length):
            d = abs(cap[offset + i] - exp[i])
            worst = max(worst, d)
            if d > TOLERANCE:
                differing += 1
                if first_bad < 0 or i < first_bad:
                    first_bad = i
    before = max([abs(v) for v in cap_left[:offset]] + [abs(v) for v in cap_right[:offset]] + [0])
    after_left, after_right = cap_left[offset + length:], cap_right[offset + length:]
    after = max([abs(v) for v in after_left] + [abs(v) for v in after_right] + [0])
    print("%s: compared %d stereo frames (%d samples) from capture frame %d: largest difference %d, "
          "%d samples off by more than %d; largest captured sample before the mix %d, after it %d (%d frames)"
          % (name, length, 2 * length, offset, worst, differing, TOLERANCE, before, after, len(after_left)))
    problems = []
    if differing:
        problems.append("%s: %d samples differ by more than %d LSB, the first at frame %d (block %d)"
                        % (name, differing, TOLERANCE, first_bad, first_bad // block))
    if before > SILENCE:
        problems.append("%s: sound before the mix (peak %d)" % (name, before))
    if after > SILENCE:
        problems.append("%s: sound after the mix: a repeated or extra block (peak %d)" % (name, after))
    if not problems or before > SILENCE:
        return [fault(problem) for problem in problems]
    found = underrun_gaps(exp_left, exp_right, cap_left, cap_right, offset)
    if found is None:
        print("%s: frames were lost, repeated or altered" % name)
        return [fault(problem) for problem in problems]
    gaps, worst_in_order, end = found
    print("%s: every frame arrived in order (largest difference %d), with silence inserted: %s"
          % (name, worst_in_order, ", ".join("%d frames before frame %d" % (n, at) for at, _, n in gaps[:8])))
    differences = [silence("%s: %d frames of silence inserted before frame %d (block %d)" % (name, n, at, at // block),
                           at, j, n, rate) for at, j, n in gaps]
    # Past the mix's last frame the capture holds silence only: no block came twice.
    after = max([abs(v) for v in cap_left[end:]] + [abs(v) for v in cap_right[end:]] + [0])
    if after > SILENCE:
        differences.append(fault("%s: sound after the mix's last frame: a repeated or extra block (peak %d)"
                                 % (name, after)))
    return differences


ATTEMPTS = 3   # a capture spoilt under machine load is played again, said on a RETRY line


def play_case(args, workdir, name, channels, bits, rate, frames, enabled_list=None, start_seconds=0.0,
              via_script=False, wall_bounds=None):
    take = os.path.join(workdir, name + ".wav")
    tone_take(take, channels, bits, rate, frames)
    enabled = [1] * 8
    extra = []
    if enabled_list is not None:
        enabled = [1 if c + 1 in enabled_list else 0 for c in range(8)]
        extra += ["--channels", ",".join(str(c) for c in enabled_list) or "none"]
    start_frame = int(round(start_seconds * rate))
    if start_seconds:
        extra += ["--start", repr(start_seconds)]
    exp_left, exp_right, played_frames, blocks, block = expected_mix(take, enabled, start_frame)
    extra.append("--trace")   # the device queue's depth at every return
    if via_script:
        command = [os.path.join(args.repo, "scripts", "play-take"), take, *extra]
    else:
        command = [os.environ["VP_WINE"], args.driver, take, *extra]
    # Ahead of busy neighbours on the processor (builds, fuzzers), when the system allows
    # it; otherwise nice says so and runs the command at the usual priority.
    command = ["nice", "-n", str(NICENESS), *command]

    # A wrong exit, block count, stream format or a starved queue fails at once; a capture
    # the judge fails is played again, since the sound server under load can spoil one.
    def judged_play():
        hard, found, events = play_once(name, command, workdir, rate, frames, start_frame, channels, bits,
                                        exp_left, exp_right, blocks, block, wall_bounds)
        failures, excused = judge(found, block, events)
        return hard, failures, excused

    play_judged(ATTEMPTS, judged_play, lambda attempt: print(
        "RETRY: %s: attempt %d of %d differs, playing again" % (name, attempt, ATTEMPTS), flush=True))


def play_once(name, command, workdir, rate, frames, start_frame, channels, bits,
              exp_left, exp_right, blocks, block, wall_bounds):
    capture = os.path.join(workdir, name + ".raw")
    sink = RateSink(rate, capture)
    server_log = ServerLog()
    watch = StreamWatch()
    try:
        watch.start()
        status, out, err, wall = run_driver(command, timeout=frames / rate + 60)
        time.sleep(0.5)   # the last block's sound reaches the monitor
    finally:
        watch.stop.set()
        watch.join()
        sink.close()
    sys.stdout.write(out)
    trace = re.compile(r"a block returned, (\d+) still queued")
    queued = [int(m.group(1)) for m in trace.finditer(err)]
    sys.stderr.write("".join(line + "\n" for line in err.splitlines() if not trace.search(line)))
    # While the reader still delivers, a return leaves three blocks at the device; only
    # the last three returns see the queue drain.
    steady = queued[:max(0, blocks - 3)]
    queue_full = all(q == 3 for q in steady)
    print("%s: %d returns; blocks still queued at the device at each return while playing: %s"
          % (name, len(queued), "always 3" if queue_full and steady else
             "min %d" % min(steady) if steady else "no steady phase"))
    stream_format = watch.seen.get("Sample Specification", "")
    print("%s: %d channels, %d bits, %d Hz, %d frames from frame %d; wall time %.2f s; player's stream: %s; "
          "resampling: %s" % (name, channels, bits, rate, frames, start_frame, wall, stream_format or "not seen",
                              watch.seen.get("Resample method", "not reported")), flush=True)
    events = dry_out_events(server_log.server_wide_dry_outs(), sink.capture_start())
    problems = []
    if status != 0:
        return ["%s: the driver exited with %d" % (name, status)], [], events
    played = re.search(r"played (\d+) blocks of (\d+) frames, (\d+) returned", out)
    if played is None:
        problems.append("%s: the driver did not report what it played" % name)
    else:
        if int(played.group(1)) != blocks or int(played.group(2)) != block:
            problems.append("%s: %s blocks of %s frames queued, expected %d of %d (the take's length rounded up "
                            "to whole blocks)" % (name, played.group(1), played.group(2), blocks, block))
        if int(played.group(3)) != blocks:
            problems.append("%s: %s returns for %d blocks" % (name, played.group(3), blocks))
    # The sound server must not resample: the player's stream runs at the sink's rate.
    if not (("%dHz" % rate) in stream_format and "2ch" in stream_format and "s16le" in stream_format):
        problems.append("%s: the player's stream is %r, not 16-bit stereo at %d Hz" % (name, stream_format, rate))
    if wall_bounds:
        low, high = wall_bounds
        if not low <= wall <= high:
            problems.append("%s: wall time %.2f s for %.2f s of sound, outside %.1f..%.1f s"
                            % (name, wall, frames / rate, low, high))
    if len(queued) != blocks:
        problems.append("%s: %d returns traced for %d blocks" % (name, len(queued), blocks))
    if not queue_full:
        problems.append("%s: the device queue ran low while the take was playing (%s)" % (name, steady))
    found = compare(name, capture, exp_left, exp_right, block, rate)
    if not os.environ.get("VP_E2E_KEEP"):
        os.remove(capture)
    return problems, found, events


def no_device_case(args, workdir):
    take = os.path.join(workdir, "nodevice.wav")
    tone_take(take, 2, 16, 44100, 4410)
    status, out, err, _ = run_driver([os.environ["VP_WINE"], args.driver, take, "--device", "4000"], timeout=60)
    sys.stderr.write(err)
    check(status == 2, "no device: the driver exited with %d, not 2" % status)
    check("no usable wave-output device" in err, "no device: no clear message (%r)" % err)
    check("not released" not in err, "no device: buffers leaked")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--driver", required=True, help="play_take.exe")
    parser.add_argument("--repo", required=True)
    parser.add_argument("--only", help="run only the case of this name")
    args = parser.parse_args()
    global DRIVER
    DRIVER = args.driver
    if environment_missing("play_take_e2e"):
        return 1

    cases = [
        # name, channels, bits, rate, frames, options
        ("eight48k", 8, 24, 48000, 480000, dict(wall_bounds=(9.5, 16.0))),
        ("stereo44k", 2, 16, 44100, 3 * 44100 + 1234, {}),
        ("mono96k", 1, 24, 96000, 2 * 96000 + 777, {}),
        ("switched", 6, 16, 48000, 2 * 48000 + 4321, dict(enabled_list=[1, 4, 5], start_seconds=0.5)),
        ("mono22k", 1, 16, 22050, 22050 + 100, {}),
        ("odd12k", 2, 16, 12000, 12000 + 555, dict(via_script=True)),
    ]
    keep = os.environ.get("VP_E2E_KEEP")   # a folder that keeps the takes and captures, for a look
    if keep:
        os.makedirs(keep, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="vp-e2e-") as tempdir:
        workdir = keep or tempdir
        for name, channels, bits, rate, frames, options in cases:
            if args.only and args.only != name:
                continue
            play_case(args, workdir, name, channels, bits, rate, frames, **options)
        if not args.only or args.only == "nodevice":
            no_device_case(args, workdir)
    return outcome("all cases passed")


if __name__ == "__main__":
    sys.exit(main())
