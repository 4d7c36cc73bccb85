#!/usr/bin/env python3
"""The close while the sound server does not answer: the real player plays a take, the test
stops the private sound server's process (SIGSTOP), so the device keeps its buffers, and closes
the player's window. The player must end through its own message loop within the bound of its
close (5 s for the device's buffers, and a second for the rest), with its normal exit code 1,
and without spinning a core meanwhile. The server goes on (SIGCONT) whatever happens.

    close_e2e.py --player VantorPlay.exe --remote vpremote.exe
"""

import argparse
import os
import signal
import sys
import tempfile
import time

sys.dont_write_bytecode = True
from e2e_check import check, environment_missing, outcome  # noqa: E402
from e2e_host import cpu_seconds  # noqa: E402
from e2e_player import (KeptSettings, Remote, kill_if_running, player_arguments, start_player,  # noqa: E402
                        windows_paths)
from e2e_sound import sound_server_pids  # noqa: E402
from e2e_takes import RATE, tone_take  # noqa: E402

END_BOUND_SECONDS = 7.0     # the close waits up to 5 s for the buffers; the rest of the teardown is quick
CPU_SHARE_LIMIT = 0.25      # a core's share the player may use while it waits (a spin takes all of it)


def main():
    parser = player_arguments(argparse.ArgumentParser())
    args = parser.parse_args()
    if environment_missing("close_e2e"):
        return 1
    servers = sound_server_pids()
    if not check(servers, "the private sound server's process is not known"):
        return 1
    with KeptSettings(args.player), tempfile.TemporaryDirectory(prefix="vp-close-") as work:
        take = os.path.join(work, "long.wav")
        tone_take(take, 2, 24, RATE, RATE * 30)
        player = start_player(args, windows_paths(take)[0])
        remote = Remote(os.environ["VP_WINE"], args.remote)
        stopped = False
        try:
            check(remote.ask("wait 30") is not None, "the player window did not appear")
            check(remote.ask("press 101") is not None, "Play could not be pressed")
            time.sleep(1.0)
            for pid in servers:
                os.kill(pid, signal.SIGSTOP)
            stopped = True
            time.sleep(0.3)                    # the device now holds buffers it cannot hand back
            cpu_before = cpu_seconds(player.pid)
            began = time.monotonic()
            check(remote.ask("close") is not None, "the close could not be posted")
            status, cpu_used, cpu_span = None, 0.0, 0.0
            while time.monotonic() - began < END_BOUND_SECONDS + 3:
                # CPU time is read while the process still lives; poll() then reaps it.
                cpu_used, cpu_span = cpu_seconds(player.pid) - cpu_before, time.monotonic() - began
                status = player.poll()
                if status is not None:
                    break
                time.sleep(0.05)
            took = time.monotonic() - began
            print("close with the sound server stopped: the player %s after %.2f s, using %.2f CPU s in its "
                  "last %.2f s" % ("ended with exit code %s" % status if status is not None else "was still running",
                                   took, cpu_used, cpu_span), flush=True)
            check(status is not None, "the player did not end within %.1f s of the close while the sound server "
                                      "was stopped" % took)
            check(status is None or took <= END_BOUND_SECONDS,
                  "the player took %.2f s to end (bound %.0f s)" % (took, END_BOUND_SECONDS))
            check(status is None or status == 1, "exit code %s after the close, not 1" % status)
            check(cpu_span < 0.5 or cpu_used <= CPU_SHARE_LIMIT * cpu_span,
                  "the player used %.2f CPU s in %.2f s of waiting: a busy spin" % (cpu_used, cpu_span))
        finally:
            if stopped:
                for pid in servers:
                    os.kill(pid, signal.SIGCONT)
            kill_if_running(player)
            remote.close()
    return outcome("the close ended the player within the bound while the sound server was stopped")


if __name__ == "__main__":
    sys.exit(main())
