#!/usr/bin/env python3
"""Every malformed take of the corpus (make_malformed.py) handed to one running player,
then Play, a seek and Stop: the player shows a description or " unknown fileformat",
answers every command, and neither crashes nor hangs; at the end it closes normally.

    malformed_e2e.py --player VantorPlay.exe --remote vpremote.exe
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e_common import FAILURES, KeptSettings, check, environment_missing  # noqa: E402
from player_e2e import Remote, start_player, windows_paths  # noqa: E402

UNKNOWN = " unknown fileformat"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--player", required=True)
    parser.add_argument("--remote", required=True)
    args = parser.parse_args()
    if environment_missing("malformed_e2e"):
        return 1
    began = time.monotonic()
    with KeptSettings(args.player), tempfile.TemporaryDirectory(prefix="vp-malformed-") as corpus:
        names = subprocess.run([sys.executable, os.path.join(HERE, "make_malformed.py"), corpus], check=True,
                               capture_output=True, text=True).stdout.split()
        paths = windows_paths(*(os.path.join(corpus, name) for name in names))
        player = start_player(args)
        remote = Remote(os.environ["VP_WINE"], args.remote)
        counts = {"described": 0, "unknown": 0}
        try:
            check(remote.ask("wait 20") is not None, "the player did not start")
            for name, path in zip(names, paths):
                remote.ask("handover " + path)
                remote.ask("press 101")
                remote.ask("slider 1")
                remote.ask("press 102")
                fields = remote.values("fields")
                info = fields.get("info", "")
                check(player.poll() is None, "%s: the player ended (exit code %s)" % (name, player.returncode))
                check(fields.get("hint") == path, "%s: the hand-over was not taken (hint %r)" % (name, fields.get("hint")))
                check(info == UNKNOWN or info.startswith(" Format: "), "%s: info %r" % (name, info))
                counts["unknown" if info == UNKNOWN else "described"] += 1
                if FAILURES:
                    break
            remote.ask("close")
            remote.ask("gone 20")
        finally:
            remote.close()
            try:
                player.wait(timeout=30)
            except subprocess.TimeoutExpired:
                player.kill()
                check(False, "the player did not end after the close")
    check(player.returncode == 1, "the player ended with %s, not 1" % player.returncode)
    print("malformed takes: %d files (%d described, %d unknown) in %.1f s" %
          (len(names), counts["described"], counts["unknown"], time.monotonic() - began))
    if FAILURES:
        print("%d failures" % len(FAILURES))
        return 1
    print("all files handled")
    return 0


if __name__ == "__main__":
    sys.exit(main())
