#!/usr/bin/env python3
"""An hour at 48 kHz through the real player, to its end: every block comes back (the
capture holds every block of the take, in order, exactly), the position reaches the
length, and nothing drifts (the capture is exactly as long as the take, the play took the
take's own time). Run by scripts/long-take inside the test environment; not part of the
test command (it takes the take's length).

The take is 16-bit stereo, so the expected mix is the take's own sample data: the left
side a tone whose phase repeats every second, the right side a count of the tenths of a
second, so a block lost, repeated or moved shows.

    long_take.py --player VantorPlay.exe --remote vpremote.exe --work DIR [--minutes 60]
"""

import argparse
import array
import os
import sys
import time
import math

sys.dont_write_bytecode = True
from e2e_common import RateSink, chunk, environment_missing, format_block, wave_header  # noqa: E402
from player_e2e import Remote, parse_state, start_player, windows_paths  # noqa: E402

RATE = 48000
BLOCK = RATE // 10
HEAD_LIMIT = RATE // 100      # frames wine may lose at the start of a stream (10 ms)
CHUNK_FRAMES = RATE * 10      # compared ten seconds at a time


def write_long_take(path, seconds):
    """Returns the sample data's bytes length; writes the file block by block."""
    tone = array.array("h", (int(6000 * math.sin(2 * math.pi * 441.0 * f / RATE)) for f in range(RATE)))
    frames = seconds * RATE
    data_bytes = frames * 4
    with open(path, "wb") as out:
        out.write(wave_header([chunk(b"fmt ", format_block(2, RATE, 16))], data_bytes))
        frame = array.array("h", bytes(4 * BLOCK))
        for block in range(frames // BLOCK):
            start = (block % 10) * BLOCK
            frame[0::2] = tone[start:start + BLOCK]
            frame[1::2] = array.array("h", [1000 + block % 30000]) * BLOCK
            out.write(frame.tobytes() if sys.byteorder == "little" else _swapped(frame))
    return data_bytes


def _swapped(samples):
    copy = array.array("h", samples)
    copy.byteswap()
    return copy.tobytes()


def compare(capture_path, take_path, data_bytes):
    """(problems, facts) of the capture against the take's data past a short head."""
    with open(take_path, "rb") as take:
        take.seek(44)
        first = take.read(4 * 64)
        with open(capture_path, "rb") as cap:
            head = cap.read(4 * RATE * 30)
            # Where the take starts: its first frames, wherever wine's head loss left them.
            at = -1
            for lost in range(0, HEAD_LIMIT + 1):
                probe = first[4 * lost:4 * lost + 4 * 32]
                found = head.find(probe)
                if found >= 0 and found % 4 == 0:
                    at, head_lost = found, lost
                    break
            if at < 0:
                return ["the take's start is not in the first 30 s of the capture"], {}
            cap.seek(at)
            take.seek(44 + 4 * head_lost)
            compared = 4 * head_lost
            while compared < data_bytes:
                want = take.read(min(4 * CHUNK_FRAMES, data_bytes - compared))
                got = cap.read(len(want))
                if got != want:
                    for i in range(0, min(len(got), len(want)), 4):
                        if got[i:i + 4] != want[i:i + 4]:
                            frame = (compared + i) // 4
                            return ["the capture differs from the take at frame %d (block %d)" % (frame, frame // BLOCK)], {}
                    return ["the capture ends at frame %d of %d" % ((compared + len(got)) // 4, data_bytes // 4)], {}
                compared += len(want)
    return [], {"head frames lost": head_lost, "frames compared": data_bytes // 4 - head_lost}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--player", required=True)
    parser.add_argument("--remote", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--minutes", type=int, default=60)
    args = parser.parse_args()
    if environment_missing("long_take"):
        return 1
    seconds = args.minutes * 60
    take = os.path.join(args.work, "long_take_%dmin.wav" % args.minutes)
    capture = os.path.join(args.work, "long_take_capture.raw")
    if not os.path.exists(take):
        print("writing a %d-minute take: %s" % (args.minutes, take), flush=True)
        write_long_take(take, seconds)
    data_bytes = os.path.getsize(take) - 44
    sink = RateSink(RATE, capture)
    player = start_player(args, windows_paths(take)[0])
    remote = Remote(os.environ["VP_WINE"], args.remote)
    problems = []
    try:
        remote.ask("wait 20")
        remote.ask("press 101")
        began = time.monotonic()
        print("playing %d s of audio" % seconds, flush=True)
        state = parse_state(remote)
        reported = 0.0
        while state["play"].startswith("checked") and time.monotonic() - began < seconds + 60:
            time.sleep(2)
            state = parse_state(remote)
            if time.monotonic() - reported >= 300:
                reported = time.monotonic()
                print("%6.0f s: slider %s" % (reported - began, state["slider"]), flush=True)
        took = time.monotonic() - began
        time.sleep(1.0)   # the last queued blocks play out
        if not state["play"].startswith("unchecked"):
            problems.append("still playing %.0f s after the take's length" % (took - seconds))
        if state["slider"][0] != seconds:
            problems.append("the position ends at %d s, not at the length %d s" % (state["slider"][0], seconds))
        if state["meters"] != ["-48"] * 8:
            problems.append("the meters end at %s" % state["meters"])
        remote.ask("close")
        remote.ask("gone 20")
    finally:
        remote.close()
        sink.close()
        player.wait(timeout=30)
    found, facts = compare(capture, take, data_bytes)
    problems += found
    print("played in %.1f s for %d s of audio (%+.2f s); exit code %s; %s" %
          (took, seconds, took - seconds, player.returncode, facts), flush=True)
    if player.returncode != 1:
        problems.append("the player ended with %s, not 1" % player.returncode)
    os.remove(capture)
    for problem in problems:
        print("FAIL: " + problem)
    print("long take: " + ("passed" if not problems else "%d failures" % len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
