#!/usr/bin/env python3
"""An hour at 48 kHz through the real player, to its end: every block comes back (the
capture holds every block of the take, in order, exactly), the position reaches the
length, and nothing drifts (the capture is exactly as long as the take, the play took the
take's own time). Run by scripts/long-take inside the test environment; not part of the
test command (it takes the take's length).

Every gap is judged by the capture judge (capture_judge.py): silence inside a block, between
two frames that follow each other in the take, is warned of and not judged when a server-wide
dry-out in the sound server's log or a hold of the whole machine seen by the stall probe came
within 10 ms of it, one such event for one silence; any other gap fails. What the host did
around each gap (the CPU time it took, the longest stall of a core, how long the server's and
the player's threads waited) is listed with it, to read, not as an excuse.

The take is 16-bit stereo, so the expected mix is the take's own sample data: the left
side a tone whose phase repeats every second, the right side a count of the tenths of a
second, so a block lost, repeated or moved shows (e2e_takes.write_long_take, read against
the capture by e2e_capture.compare_data).

    long_take.py --player VantorPlay.exe --remote vpremote.exe --work DIR [--minutes 60]
"""

import argparse
import os
import sys
import time
import threading

sys.dont_write_bytecode = True
from capture_judge import Event, dry_out_events, judge  # noqa: E402
from e2e_capture import compare_data, gap_differences  # noqa: E402
from e2e_check import environment_missing  # noqa: E402
from e2e_host import pids_named, stolen_seconds  # noqa: E402
from e2e_player import (Remote, parse_state, player_arguments, say_registry_wait, start_player,  # noqa: E402
                        windows_paths)
from e2e_sound import RateSink, ServerLog, pactl, sound_server_pids  # noqa: E402
from e2e_takes import BLOCK, RATE, write_long_take  # noqa: E402
from stall_probe import StallProbe  # noqa: E402

# Wine's sound driver asks the sound server for a buffer of three 10 ms periods (20 ms reported).
# On a virtual machine whose host now and then holds a core for longer than that, the server runs
# dry and plays silence, though the player's own four blocks were queued in time. A larger buffer
# (PULSE_LATENCY_MSEC) keeps the stream fed, but it also replaces Wine's one-frame pre-buffer with
# the server's default, so the stream's last few milliseconds are never played. 0 keeps Wine's own.
SERVER_BUFFER_MS = 0
HELD_STALL_MS = 5             # a core stopped this long while the probe's top priority had it due


def _run_queue_seconds(pids):
    """How long the threads of these processes have waited for a core, in all."""
    waited = 0
    for pid in pids:
        try:
            threads = os.listdir("/proc/%d/task" % pid)
        except OSError:
            continue
        for thread in threads:
            try:
                with open("/proc/%d/task/%s/schedstat" % (pid, thread)) as f:
                    waited += int(f.read().split()[1])
            except (OSError, IndexError, ValueError):
                pass
    return waited / 1e9


class HostWatch(threading.Thread):
    """Notes four times a second how far the capture has grown, how much CPU time the host has
    taken and how long the sound server's and the player's threads waited for a core, and has
    every core watched for stalls, so that each gap in the capture can be set against what the
    host and this machine did then."""

    def __init__(self, capture_path):
        super().__init__(daemon=True)
        self.capture_path = capture_path
        self.samples = []     # (monotonic seconds, frames captured, seconds stolen, server wait, player wait)
        self.stopping = threading.Event()
        self.probe = StallProbe()
        self.server_pids = sound_server_pids()

    def run(self):
        player_pids = []
        while not self.stopping.wait(0.25):
            player_pids = player_pids or pids_named(b"VantorPlay.exe")
            self.samples.append((time.monotonic(), os.path.getsize(self.capture_path) // 4, stolen_seconds(),
                                 _run_queue_seconds(self.server_pids), _run_queue_seconds(player_pids)))

    def stop(self):
        self.stopping.set()
        if self.is_alive():
            self.join()
        self.probe.stop()

    def around(self, capture_frame, before=1.0, after=0.5):
        """What the host and this machine did from a second before the capture reached the frame
        to half a second after, for the gap's listing."""
        when = next((sample[0] for sample in self.samples if sample[1] >= capture_frame), None)
        if when is None:
            return "not watched"
        window = [sample for sample in self.samples if when - before <= sample[0] <= when + after]
        stolen, server_wait, player_wait = (window[-1][i] - window[0][i] for i in (2, 3, 4))
        stall_ms = self.probe.longest_between(when - before, when + after)
        return ("the host took %.2f s of CPU time around it, the longest stall of a core was %.0f ms, "
                "the server's threads waited %.0f ms and the player's %.0f ms for a core") % (
            stolen, stall_ms, server_wait * 1000, player_wait * 1000)

    def machine_holds(self):
        """Each time every core stalled at once, as an event on the capture's clock. The capture
        file trails the sink, which renders in real time: a note's time less the seconds captured
        by then is never much earlier than the capture's first frame (one of the sink's render
        periods at most), and over four notes a second the least of them comes close to it."""
        start = min((when - frames / RATE for when, frames, _, _, _ in self.samples), default=None)
        if start is None:
            return []
        return [Event(began - start, end - start, "every core stalled for %.0f ms" % ((end - began) * 1000))
                for began, end in self.probe.whole_machine_stalls(HELD_STALL_MS)]


def player_stream_latency():
    """The buffer and sink latency the sound server reports for wine's stream."""
    said = []
    for line in pactl("list", "sink-inputs").splitlines():
        line = line.strip()
        if line.startswith("Sink Input #"):
            said = []
        elif line.startswith(("Buffer Latency", "Sink Latency")):
            said.append(line)
        elif line == 'application.process.binary = "wine"':
            return "; ".join(said)
    return "not found"


def main():
    parser = player_arguments(argparse.ArgumentParser())
    parser.add_argument("--work", required=True)
    parser.add_argument("--minutes", type=int, default=60)
    parser.add_argument("--server-buffer-ms", type=int, default=SERVER_BUFFER_MS,
                        help="the sound server's buffer for the player's stream (0: Wine's own)")
    args = parser.parse_args()
    if environment_missing("long_take"):
        return 1
    seconds = args.minutes * 60
    take = os.path.join(args.work, "long_take_%dmin.wav" % args.minutes)
    # Named by length, so that a short check run keeps the hour's capture and gap list.
    capture = os.path.join(args.work, "long_take_capture_%dmin.raw" % args.minutes)
    if not os.path.exists(take):
        print("writing a %d-minute take: %s" % (args.minutes, take), flush=True)
        write_long_take(take, seconds)
    data_bytes = os.path.getsize(take) - 44
    sink = RateSink(RATE, capture)
    watch = HostWatch(capture)
    player_env = dict(os.environ)
    if args.server_buffer_ms > 0:
        player_env["PULSE_LATENCY_MSEC"] = str(args.server_buffer_ms)
    server_log = ServerLog()
    player = start_player(args, windows_paths(take)[0], env=player_env)
    remote = Remote(os.environ["VP_WINE"], args.remote)
    problems = []
    try:
        remote.ask("wait 20")
        say_registry_wait()
        remote.ask("press 101")
        began = time.monotonic()
        watch.start()
        stolen_before = stolen_seconds()
        print("playing %d s of audio" % seconds, flush=True)
        time.sleep(1.0)
        print("the player's stream: " + player_stream_latency(), flush=True)
        state = parse_state(remote)
        reported = 0.0
        while state["play"].startswith("checked") and time.monotonic() - began < seconds + 60:
            time.sleep(2)
            state = parse_state(remote)
            if time.monotonic() - reported >= 300:
                reported = time.monotonic()
                print("%6.0f s: slider %s" % (reported - began, state["slider"]), flush=True)
        took = time.monotonic() - began
        print("CPU time the host took from this machine's cores while playing: %.1f s" %
              (stolen_seconds() - stolen_before), flush=True)
        time.sleep(1.0)   # the last queued blocks play out
        watch.stop()
        stalls = [late for _, _, late in watch.probe.stalls if late >= HELD_STALL_MS]
        print("stalls of a core of %d ms or more: %d, the longest %.0f ms" %
              (HELD_STALL_MS, len(stalls), max(stalls, default=0)), flush=True)
        if not state["play"].startswith("unchecked"):
            problems.append("still playing %.0f s after the take's length" % (took - seconds))
        if state["slider"][0] != seconds:
            problems.append("the position ends at %d s, not at the length %d s" % (state["slider"][0], seconds))
        if state["meters"] != ["-48"] * 8:
            problems.append("the meters end at %s" % state["meters"])
        remote.ask("close")
        remote.ask("gone 20")
    finally:
        watch.stop()
        remote.close()
        sink.close()
        player.wait(timeout=30)
    found, facts, gaps = compare_data(capture, take, data_bytes)
    dry_outs = server_log.server_wide_dry_outs()
    holds = watch.machine_holds()
    print("server-wide dry-outs of the player's stream: %d; holds of the whole machine: %d" %
          (len(dry_outs), len(holds)), flush=True)
    failures, warnings = judge(gap_differences(found, gaps, watch.around), BLOCK,
                               dry_out_events(dry_outs, sink.capture_start()) + holds)
    problems += failures
    inserted_seconds = sum(gap[2] for gap in gaps) / RATE
    print("played in %.1f s for %d s of audio (%+.2f s) with %.2f s of silence inserted; exit code %s; %s" %
          (took, seconds, took - seconds, inserted_seconds, player.returncode, facts), flush=True)
    # The position is polled every 2 s: beyond that the play's length is the take's and the silence's.
    if abs(took - seconds - inserted_seconds) > 3:
        problems.append("the play took %.1f s for %d s of audio and %.2f s of silence" % (took, seconds, inserted_seconds))
    if player.returncode != 1:
        problems.append("the player ended with %s, not 1" % player.returncode)
    if not problems and not warnings:
        os.remove(capture)
    with open(os.path.join(args.work, "long_take_gaps_%dmin.txt" % args.minutes), "w") as listing:
        listing.writelines("%s\n" % line for line in ["judged: " + p for p in problems] + ["warned: " + w for w in warnings])
    for warning in warnings[:20]:
        print("WARNING: not judged: " + warning)
    if warnings and not problems:
        print("WARNING: not judged: %d gaps, %.2f s of silence in all, each with a server-wide dry-out or a hold of "
              "the whole machine; every frame of the take came back, in order" % (len(warnings), inserted_seconds),
              flush=True)
    for problem in problems[:40]:
        print("FAIL: " + problem)
    print("long take: " + ("passed" if not problems else "%d failures" % len(problems))
          + (" with warnings" if warnings and not problems else ""))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
