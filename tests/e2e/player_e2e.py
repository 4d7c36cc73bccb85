#!/usr/bin/env python3
"""End to end: the real player under wine, driven by one `vpremote -` process, its trace
lines collected by the trace viewer, its sound captured from a private null sink and
compared with the expected mix worked out from the take's bytes (e2e_takes).

First run of the player (its sound captured and judged by the capture judge; played again
once if the judge fails it, with a RETRY line in the log):
  start   with a take and the trace viewer running: the trace lines, the info field, the
          switches, the hint keeps its text; the window at the place stored in the
          settings file.
  button  play by the button to the end, switch 3 turned off on the way: the capture is
          the mix past a head of at most 10 ms, then the mix without channel 3 from a
          block boundary; at the end the play button is unchecked, the meters read -48.
  second  a second start with a path (exit 0, the running copy loads it) and one without
          (exit 0, nothing changes).
  space   play and pause by the space key, play again, a slider seek, rewind (once to 0)
          and fast-forward (once past the end): the capture is the mix with one gap of
          silence at the pause and continues exactly from each new place.
  float   a 32-bit float stereo take, loaded by a second start, played to the end: the
          info field says 32 Bit and the capture is its mix (one channel runs past full
          scale, held) past a head of at most 10 ms.
  close   exit code 1; the window's place is stored in the settings file.
Second run: a restart puts the window at the stored place; the demo take plays and a
screenshot of it is saved in the build folder for people to look at.

Every other wine process is started while nothing plays: a new wine process disturbs a
playing stream.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True   # the source folder stays clean
from capture_judge import dry_out_events, fault, judge  # noqa: E402
from e2e_capture import compare_pieces, pieces_of, play_judged, read_capture  # noqa: E402
from e2e_check import check, environment_missing, outcome  # noqa: E402
from e2e_player import (KeptSettings, Remote, TraceView, kill_if_running, parse_state, player_arguments,  # noqa: E402
                        read_rect, say_registry_wait, start_player, wait_for_info, wait_until_halted, windows_paths)
from e2e_sound import RateSink, ServerLog  # noqa: E402
from e2e_takes import ALL_ON, BLOCK, RATE, Take  # noqa: E402

SWITCHED = 3               # the switch turned off while the button take plays
STORED_PLACE = (211, 157)  # written into the settings file before the first start


# ---- what the player shows and stores ----

def info_text(channels, seconds, bits=24):
    return (" Format: 48 kHz / %d Bit\r\n Channels:   %d\r\n L\xe4nge: %d sec\r\n Tape:  \r\n"
            " Scene: e2e \r\n Take: 1" % (bits, channels, seconds))


def settings_value(path):
    try:
        with open(path, "rb") as f:
            text = f.read().decode("latin-1")
    except FileNotFoundError:
        return None
    in_section = False
    for line in text.replace("\r", "").split("\n"):
        if line.startswith("["):
            in_section = line.strip() == "[WindowPosition]"
        elif in_section and line.startswith("Player="):
            return line[len("Player="):].strip()
    return None


# ---- the runs ----

def first_run(args, work, six, fourteen, floating, settings):
    """The first run of the player. Returns what differs in its captured sound (compare_pieces)
    and the server log's time of the capture's start."""
    win_six, win_fourteen, win_floating = windows_paths(six.path, fourteen.path, floating.path)
    with open(settings, "wb") as f:
        f.write(b"[WindowPosition]\r\nPlayer=%d,%d,50,50\r\n" % STORED_PLACE)
    capture = os.path.join(work, "player.raw")
    sink = RateSink(RATE, capture)
    trace = TraceView(os.environ["VP_WINE"], args.traceview)
    player = start_player(args, win_six)
    remote = Remote(os.environ["VP_WINE"], args.remote)
    sound_problems = []

    def frames_so_far():
        return os.path.getsize(capture) // 4

    events = []   # (what, capture frame when it was done), to set beside the pieces in the log

    def act(what, command):
        events.append("%s@%d" % (what, frames_so_far()))
        remote.ask(command)

    try:
        # -- start
        remote.ask("wait 20")
        fields = wait_for_info(remote, info_text(6, 6))
        # The player's start changes the registry, and wine's server writes it within 30 s,
        # holding every wine process meanwhile (a play then runs dry): the plays wait for it.
        # The later second starts were seen to leave nothing to write.
        say_registry_wait("window: ")
        state = parse_state(remote)
        print("start: fields %r, state %r" % (fields, state), flush=True)
        check(fields.get("info") == info_text(6, 6), "start: info field %r" % fields.get("info"))
        check(fields.get("hint") == "  drag the file on the window", "start: hint %r" % fields.get("hint"))
        check(fields.get("time") == "", "start: time field %r before playing" % fields.get("time"))
        check(state["switches"] == ["on"] * 6 + ["disabled"] * 2, "start: switches %s" % state["switches"])
        check(state["play"] == "unchecked enabled" and state["slider"] == [0, 0, 6] and state["meters"] == ["-48"] * 8,
              "start: play %s, slider %s, meters %s" % (state["play"], state["slider"], state["meters"]))
        expected_trace = [b"Vantor-Play Debug\r\n", win_six.encode("latin-1") + b"\r\n", b"StartWavePlay\r\n"]
        check(trace.lines(3) == expected_trace, "start: trace lines %r" % trace.lines(3))
        rect = read_rect(remote)
        check(rect[:2] == list(STORED_PLACE), "start: window at %s, not at the stored place %s" % (rect, STORED_PLACE))
        os.remove(settings)   # the close must write it anew

        # -- button: to the end, switch 3 off on the way
        split = frames_so_far()
        act("play", "press 101")
        check(parse_state(remote)["play"] == "checked enabled", "button: the play button is not checked")
        time.sleep(2.0)
        act("switch", "press %d" % (300 + SWITCHED))
        state = parse_state(remote)
        check(state["switches"][SWITCHED - 1] == "off", "button: switch %d is %s after its press"
              % (SWITCHED, state["switches"][SWITCHED - 1]))
        time.sleep(4.0)
        state = wait_until_halted(remote, 5)
        check(state["play"] == "unchecked enabled" and state["meters"] == ["-48"] * 8 and state["slider"][0] == 6,
              "button: at the end play %s, meters %s, slider %s" % (state["play"], state["meters"], state["slider"]))
        time.sleep(1.0)   # the queued blocks play out
        button_end = frames_so_far()

        # -- second starts, with nothing playing
        second = subprocess.run([os.environ["VP_WINE"], args.player, win_fourteen], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        check(second.returncode == 0, "second start with a path: exit code %d" % second.returncode)
        fields = wait_for_info(remote, info_text(8, 14))
        check(fields.get("info") == info_text(8, 14), "second start with a path: info %r" % fields.get("info"))
        check(fields.get("hint") == win_fourteen, "second start with a path: hint %r" % fields.get("hint"))
        state = parse_state(remote)
        check(state["switches"] == ["on"] * 8 and state["slider"] == [0, 0, 14],
              "second start with a path: switches %s, slider %s" % (state["switches"], state["slider"]))
        third = subprocess.run([os.environ["VP_WINE"], args.player], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        check(third.returncode == 0, "second start without a path: exit code %d" % third.returncode)
        time.sleep(0.5)
        check(remote.values("fields") == fields, "second start without a path: the fields changed: %r"
              % remote.values("fields"))
        expected_trace += [b"Vantor-Play Debug\r\n", win_fourteen.encode("latin-1") + b"\r\n",
                           b" is already runing\r\n", b"StartWavePlay\r\n",
                           b"Vantor-Play Debug\r\n", b" is already runing\r\n"]
        check(trace.lines(len(expected_trace)) == expected_trace, "trace lines %r" % trace.lines(len(expected_trace)))

        # -- space: play, pause, play, slider, rewind twice, fast-forward twice
        space_begin = frames_so_far()
        act("space", "key 32")
        time.sleep(1.0)
        act("space", "key 32")
        check(parse_state(remote)["play"] == "unchecked enabled", "space: the space key did not pause")
        time.sleep(1.0)
        act("space", "key 32")
        check(parse_state(remote)["play"] == "checked enabled", "space: the space key did not play again")
        time.sleep(1.0)
        act("slider", "slider 12")
        time.sleep(0.8)
        starts = {}
        for step, button in (("rewind", 103), ("rewind to 0", 103), ("fast-forward", 104), ("fast-forward to the end", 104)):
            act(step, "press %d" % button)
            starts[step] = parse_state(remote)["slider"][0]
            time.sleep(0.8)
        print("space: positions after each step %s" % starts, flush=True)
        check(starts["rewind to 0"] == 0 and starts["fast-forward to the end"] == 14,
              "space: rewind and fast-forward past the ends gave %s" % starts)
        state = wait_until_halted(remote, 5)
        check(state["play"] == "unchecked enabled" and state["meters"] == ["-48"] * 8 and state["slider"][0] == 14,
              "space: at the end play %s, meters %s, slider %s" % (state["play"], state["meters"], state["slider"]))
        time.sleep(1.0)

        # -- float: loaded by a second start while nothing plays, played to the end
        floating_info = info_text(2, floating.seconds, 32)
        subprocess.run([os.environ["VP_WINE"], args.player, win_floating], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        fields = wait_for_info(remote, floating_info)
        check(fields.get("info") == floating_info, "float: info %r" % fields.get("info"))
        floating_begin = frames_so_far()
        act("float play", "press 101")
        time.sleep(floating.seconds)
        state = wait_until_halted(remote, 5)
        check(state["play"] == "unchecked enabled" and state["slider"][0] == floating.seconds,
              "float: at the end play %s, slider %s" % (state["play"], state["slider"]))
        time.sleep(1.0)
        floating_end = frames_so_far()

        # -- close
        rect = read_rect(remote)
        remote.ask("close")
        remote.ask("gone 20")
        status = player.wait(timeout=30)
        check(status == 1, "close: exit code %d, not 1" % status)
        stored = settings_value(settings)
        wanted = "%d,%d,%d,%d" % (rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1])
        check(stored == wanted, "close: stored place %r, the window was at %s" % (stored, wanted))
    finally:
        remote.close()
        kill_if_running(player)
        trace.stop()
        sink.close()

    cap = read_capture(capture)
    print("capture: %d frames; the button take from frame %d, the space take from frame %d; actions at %s"
          % (len(cap[0]), split, space_begin, ", ".join(events)), flush=True)
    pieces, unreadable = pieces_of(cap, split, button_end, six)
    sound_problems += compare_pieces("button", pieces, unreadable, [
        ("all", 0, None), ("without %d" % SWITCHED, None, "none")])
    if pieces and pieces[-1]["take"] + pieces[-1]["frames"] != six.frames:
        sound_problems.append(fault("button: the capture ends before the take's end"))
    pieces, unreadable = pieces_of(cap, space_begin, floating_begin, fourteen)
    sound_problems += compare_pieces("space", pieces, unreadable, [
        ("all", 0, None), ("all", None, "some"), ("all", 12 * RATE, "none"),
        ("all", starts.get("rewind", -1) * RATE, "none"), ("all", 0, "none"),
        ("all", starts.get("fast-forward", -1) * RATE, "none")])
    pieces, unreadable = pieces_of(cap, floating_begin, floating_end, floating)
    sound_problems += compare_pieces("float", pieces, unreadable, [("all", 0, None)])
    if pieces and pieces[-1]["take"] + pieces[-1]["frames"] != floating.frames:
        sound_problems.append(fault("float: the capture ends before the take's end"))
    if not os.environ.get("VP_E2E_KEEP"):
        os.remove(capture)
    return sound_problems, sink.capture_start()


def second_run(args, settings, shot):
    """A restart at the stored place, and a screenshot of it playing the demo take."""
    stored = settings_value(settings)
    demo, shot_windows = windows_paths(os.path.join(os.path.dirname(args.player), "demo_take.wav"), shot)
    player = start_player(args, demo)
    remote = Remote(os.environ["VP_WINE"], args.remote)
    try:
        remote.ask("wait 20")
        rect = read_rect(remote)
        check(stored is not None and rect[:2] == [int(v) for v in stored.split(",")[:2]],
              "restart: window at %s, stored %r" % (rect, stored))
        deadline = time.monotonic() + 10
        while not remote.values("fields").get("info", "").startswith(" Format") and time.monotonic() < deadline:
            time.sleep(0.1)
        remote.ask("press 101")
        time.sleep(2.5)
        state = parse_state(remote)
        check(state["play"] == "checked enabled" and state["meters"] != ["-48"] * 8,
              "demo: play %s, meters %s" % (state["play"], state["meters"]))
        remote.ask("shot " + shot_windows)
        remote.ask("close")
        remote.ask("gone 20")
        status = player.wait(timeout=30)
        check(status == 1, "restart: exit code %d at the close" % status)
    finally:
        remote.close()
        kill_if_running(player)


def main():
    parser = player_arguments(argparse.ArgumentParser())
    parser.add_argument("--traceview", required=True, help="traceview.exe")
    parser.add_argument("--repo", required=True)
    parser.add_argument("--out", required=True, help="folder for the screenshot")
    args = parser.parse_args()
    if environment_missing("player_e2e"):
        return 1
    began = time.monotonic()
    with KeptSettings(args.player) as settings, tempfile.TemporaryDirectory(prefix="vp-player-e2e-") as work:
        six = Take(os.path.join(work, "six.wav"), 6, 6,
                   {"all": ALL_ON, "without %d" % SWITCHED: tuple(int(c != SWITCHED - 1) for c in range(8))})
        fourteen = Take(os.path.join(work, "fourteen.wav"), 8, 14, {"all": ALL_ON})
        floating = Take(os.path.join(work, "float.wav"), 2, 3, {"all": ALL_ON}, float_peaks=(1.25, 0.2))

        def judged_first_run():
            server_log = ServerLog()
            found, capture_start = first_run(args, work, six, fourteen, floating, settings)
            failures, excused = judge(found, BLOCK, dry_out_events(server_log.server_wide_dry_outs(), capture_start))
            return [], failures, excused

        play_judged(2, judged_first_run, lambda attempt: print(
            "RETRY: the captured sound differs; the first run of the player is run once more", flush=True))

        bmp = os.path.join(work, "player_playing.bmp")
        second_run(args, settings, bmp)
        png = os.path.join(args.out, "player_playing.png")
        if os.path.exists(bmp):
            if shutil.which("convert"):
                subprocess.run(["convert", bmp, png], check=False)
            else:
                png = os.path.join(args.out, "player_playing.bmp")
                shutil.copyfile(bmp, png)
        check(os.path.exists(png), "no screenshot")
        print("screenshot of the player playing the demo take: %s" % png)
    print("player_e2e: %.1f s" % (time.monotonic() - began))
    return outcome("all cases passed")


if __name__ == "__main__":
    sys.exit(main())
