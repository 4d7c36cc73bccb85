#!/usr/bin/env python3
"""Every malformed take of the corpus (make_malformed.py) handed to one running player,
then Play, a seek and Stop: the player shows, byte for byte, the information text that
vantorinfo gives for the same file (a description or " unknown fileformat"), answers every
command, and neither crashes nor hangs; at the end it closes normally.

    malformed_e2e.py --player VantorPlay.exe --remote vpremote.exe --vantorinfo vantorinfo.exe
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
from e2e_check import FAILURES, check, environment_missing, outcome  # noqa: E402
from e2e_player import KeptSettings, Remote, player_arguments, start_player, windows_paths  # noqa: E402

UNKNOWN = " unknown fileformat"


def vantorinfo_texts(vantorinfo, paths):
    """vantorinfo's text for each file, as the player shows it, from one run (a wine process
    started while a take plays disturbs the stream): per file its path, its text, each ended by
    CR LF, and an empty line between files. None, said as a failure, when the output is not that."""
    result = subprocess.run([os.environ["VP_WINE"], vantorinfo, "--cp1252", *paths], stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=120)
    if not check(result.returncode in (0, 1), "vantorinfo exited with %d: %r" % (result.returncode, result.stderr)):
        return None
    out, at, texts = result.stdout, 0, []
    for index, path in enumerate(paths):
        head = path.encode("latin-1") + b"\r\n"
        if not check(out.startswith(head, at), "vantorinfo: no %r at byte %d of its output" % (head, at)):
            return None
        at += len(head)
        if index + 1 < len(paths):
            end = out.find(b"\r\n\r\n" + paths[index + 1].encode("latin-1") + b"\r\n", at)
        else:
            end = len(out) - 2 if out.endswith(b"\r\n") else -1
        if not check(end >= at, "vantorinfo: the text of %s does not end as it should" % path):
            return None
        texts.append(out[at:end])
        at = end + 4
    return texts


def main():
    parser = player_arguments(argparse.ArgumentParser())
    parser.add_argument("--vantorinfo", required=True, help="vantorinfo.exe of the same build")
    args = parser.parse_args()
    if environment_missing("malformed_e2e"):
        return 1
    began = time.monotonic()
    with KeptSettings(args.player), tempfile.TemporaryDirectory(prefix="vp-malformed-") as corpus:
        names = subprocess.run([sys.executable, os.path.join(HERE, "make_malformed.py"), corpus], check=True,
                               capture_output=True, text=True).stdout.split()
        paths = windows_paths(*(os.path.join(corpus, name) for name in names))
        wanted = vantorinfo_texts(args.vantorinfo, paths)
        if wanted is None:
            print("%d failures" % len(FAILURES))
            return 1
        player = start_player(args)
        remote = Remote(os.environ["VP_WINE"], args.remote)
        counts = {"described": 0, "unknown": 0}
        try:
            check(remote.ask("wait 20") is not None, "the player did not start")
            for name, path, want in zip(names, paths, wanted):
                remote.ask("handover " + path)
                remote.ask("press 101")
                remote.ask("slider 1")
                remote.ask("press 102")
                fields = remote.values("fields")
                info = fields.get("info", "")
                check(player.poll() is None, "%s: the player ended (exit code %s)" % (name, player.returncode))
                check(fields.get("hint") == path, "%s: the hand-over was not taken (hint %r)" % (name, fields.get("hint")))
                # The remote gives the window's bytes as they are, read here as Latin-1.
                check(info.encode("latin-1") == want, "%s: info %r, vantorinfo gives %r" % (name, info, want))
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
    return outcome("all files handled")


if __name__ == "__main__":
    sys.exit(main())
