"""The player under wine, started and driven from outside: the remote tool (one `vpremote -`
process, a command a line), the trace viewer, the player's start, its state as the remote reads
it, and the settings file it writes beside itself."""

import os
import queue
import subprocess
import threading
import time

from e2e_check import check
from e2e_host import NICENESS


def player_arguments(parser):
    """The options every test of the player takes: the two programs under test."""
    parser.add_argument("--player", required=True, help="VantorPlay.exe")
    parser.add_argument("--remote", required=True, help="vpremote.exe")
    return parser


class Remote:
    """One `vpremote -` process: a command a line, answered by lines and "= ok" or "= error"."""

    def __init__(self, wine, exe):
        self.process = subprocess.Popen([wine, exe, "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            self.lines.put(raw.decode("latin-1").rstrip("\r\n"))
        self.lines.put(None)

    def ask(self, command, timeout=20):
        """The result lines of one command, or None (said as a failure) on an error."""
        self.process.stdin.write((command + "\n").encode("latin-1"))
        self.process.stdin.flush()
        answer = []
        while True:
            try:
                line = self.lines.get(timeout=timeout)
            except queue.Empty:
                line = None
            if line is None:
                check(False, "vpremote: no answer to %r" % command)
                return None
            if line == "= ok":
                return answer
            if line.startswith("= error"):
                check(False, "vpremote: %r: %s" % (command, line))
                return None
            answer.append(line)

    def values(self, command):
        """Result lines "key: value" as a dictionary (empty on an error)."""
        found = {}
        for line in self.ask(command) or []:
            key, _, value = line.partition(": ")
            found[key] = unescape(value)
        return found

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=20)


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"r": "\r", "n": "\n"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


class TraceView:
    """The trace viewer, its standard output collected."""

    def __init__(self, wine, exe):
        self.process = subprocess.Popen([wine, exe, "--seconds", "300"], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.output = b""
        self.ready = threading.Event()
        threading.Thread(target=self._collect, daemon=True).start()
        threading.Thread(target=self._wait_ready, daemon=True).start()
        check(self.ready.wait(20), "the trace viewer did not get ready")

    def _collect(self):
        while True:
            chunk = self.process.stdout.read1(4096)
            if not chunk:
                return
            self.output += chunk

    def _wait_ready(self):
        for line in self.process.stderr:
            if b"traceview: ready" in line:
                self.ready.set()

    def lines(self, count, timeout=10):
        """The lines received (each with its CR LF), once there are count of them or at the timeout."""
        deadline = time.monotonic() + timeout
        while self.output.count(b"\r\n") < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return [line + b"\r\n" for line in self.output.split(b"\r\n")[:-1]]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def start_player(args, path=None, env=None):
    """The player args.player under wine, with the take path (a Windows path) when given, ahead of
    busy neighbours."""
    command = ["nice", "-n", str(NICENESS), os.environ["VP_WINE"], args.player] + ([path] if path else [])
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=env)


def kill_if_running(player):
    """Ends a player that its test did not get to close."""
    if player.poll() is None:
        player.kill()
        player.wait()


def windows_paths(*paths):
    """The paths as the player sees them (wine's Z: drive), from one winepath run."""
    result = subprocess.run([os.environ["VP_WINE"], "winepath", "-w", *paths], stdin=subprocess.DEVNULL,
                            capture_output=True, check=True)
    return result.stdout.decode("latin-1").replace("\r", "").splitlines()


def parse_state(remote):
    """The remote's "state": the play button, the eight switches, the slider (position, minimum,
    maximum) and the eight meters."""
    state = remote.values("state")
    switches = dict(item.split(":") for item in state.get("switches", "").split())
    return dict(play=state.get("play", ""), switches=[switches.get(str(n), "?") for n in range(1, 9)],
                slider=[int(v) for v in state.get("slider", "0 0 0").split()],
                meters=state.get("meters", "").split())


def wait_until_halted(remote, timeout):
    """The state once the play button is unchecked, or at the timeout."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        state = parse_state(remote)
        if state["play"].startswith("unchecked"):
            return state
        time.sleep(0.25)
    return parse_state(remote)


def wait_for_info(remote, expected, timeout=10):
    """The fields once the information field reads expected, or at the timeout."""
    deadline = time.monotonic() + timeout
    while True:
        fields = remote.values("fields")
        if fields.get("info") == expected or time.monotonic() > deadline:
            return fields
        time.sleep(0.1)


def read_rect(remote):
    """The player window's rectangle on the screen: left, top, right, bottom."""
    answer = remote.values("rect")
    return [int(v) for v in answer.get("rect", "0 0 0 0").split()]


def wait_for_registry_save(timeout=31):
    """Waits for wine's server to write its registry to the prefix. A program's start changes the
    registry; the server writes it every 30 s when changed (1.6 MB), single-threaded, and every
    wine process waits on it meanwhile, so a play then runs dry. Called a second after the player
    is up, this waits for the write of what its start changed, or for a 30 s turn with nothing to
    write. Returns the seconds waited."""
    time.sleep(1)
    since, began = time.time(), time.monotonic()
    path = os.path.join(os.environ.get("WINEPREFIX", ""), "system.reg")
    while time.monotonic() - began < timeout:
        if os.path.exists(path) and os.path.getmtime(path) > since:
            break
        time.sleep(0.1)
    return time.monotonic() - began + 1


def say_registry_wait(prefix=""):
    """Waits for wine's registry write after the player's start (wait_for_registry_save) and says so."""
    print("%swaited %.1f s for wine's server to write the registry the player's start changed"
          % (prefix, wait_for_registry_save()), flush=True)


class KeptSettings:
    """The player stores its window's place beside the program when it closes: a test that
    runs the player puts the settings file back as it found it (or removes it again)."""

    def __init__(self, player):
        self.path = os.path.splitext(player)[0] + ".ini"
        self.saved = None

    def __enter__(self):
        if os.path.exists(self.path):
            with open(self.path, "rb") as f:
                self.saved = f.read()
        return self.path

    def __exit__(self, *exception):
        if self.saved is None:
            if os.path.exists(self.path):
                os.remove(self.path)
        else:
            with open(self.path, "wb") as f:
                f.write(self.saved)
        return False
