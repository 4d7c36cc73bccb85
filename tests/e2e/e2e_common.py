"""Shared pieces of the end-to-end tests: generated takes, the expected stereo mix worked
out from a take's bytes independently of the engine, a private null sink with its capture,
and the reading of a capture.

The expected mix: for every frame, the enabled channels' 16-bit values (integer samples of
16 to 32 bits: their top 16 bits as signed numbers; 8 bits: (u - 128) * 256; 32-bit float
x: floor(x * 32768) held to -32768..32767, NaN 0), odd channels summed into the left side
and even ones into the right (the takes are quiet enough that no sum leaves the 16-bit
range), whole blocks of a tenth of a second, the last one padded with silence.
"""

import array
import math
import os
import re
import signal
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from wave_writer import chunk, format_block, riff, wave_header  # noqa: E402,F401

TOLERANCE = 1          # LSB the sound server may change
SILENCE = 1            # a captured sample within this is silence
SETTLE_SECONDS = 2.5   # a new sink's capture loses the start of streams before this
SINK_LATENCY_MS = 20   # low: the sink plays in real time, as the environment's silent stream keeps it
FAILURES = []


# ---- takes ----

def tone_take(path, channels, bits, rate, frames, amplitude=5000, first_hz=97.3):
    """A take with a distinct tone per channel, frequencies that no tenth of a second
    divides and a slow rise in loudness, so no two blocks are alike and a repeated or
    missing block shows. Every channel starts at a non-zero value."""
    peak = amplitude * (1 << (bits - 16))
    values = array.array("i", bytes(4 * channels * frames))
    for c in range(channels):
        hz = first_hz * (c + 1) + 11.7 * c
        step = 2.0 * math.pi * hz / rate
        phase0 = 0.7 + 0.3 * c
        rise = 0.5 / frames
        values[c::channels] = array.array("i", (
            int(round(peak * (0.5 + rise * f) * math.sin(phase0 + step * f))) for f in range(frames)))
    if sys.byteorder != "little":
        values.byteswap()
    raw = values.tobytes()
    if bits == 16:
        pcm = bytearray(2 * len(values))
        pcm[0::2] = raw[0::4]
        pcm[1::2] = raw[1::4]
    else:
        pcm = bytearray(3 * len(values))
        pcm[0::3] = raw[0::4]
        pcm[1::3] = raw[1::4]
        pcm[2::3] = raw[2::4]
    write_take(path, channels, bits, rate, bytes(pcm))


def float_tone_take(path, channels, rate, frames, amplitudes, first_hz=97.3):
    """A 32-bit float take (format tag 3) with a distinct tone per channel at its own peak
    amplitude; a peak above 1.0 runs past full scale, which the mix holds. Every value is
    a float exactly, so the bytes carry what the expected mix reads."""
    values = []
    for f in range(frames):
        for c in range(channels):
            hz = first_hz * (c + 1) + 11.7 * c
            values.append(amplitudes[c] * math.sin(0.7 + 0.3 * c + 2.0 * math.pi * hz * f / rate))
    write_take(path, channels, 32, rate, struct.pack("<%df" % len(values), *values), tag=3)


def write_take(path, channels, bits, rate, pcm, tag=1):
    description = b"sSCENE=e2e\r\nsTAKE=1\r\n"
    bext = description + bytes(602 - len(description))
    with open(path, "wb") as out:
        out.write(riff([chunk(b"fmt ", format_block(channels, rate, bits, tag)), chunk(b"bext", bext),
                        chunk(b"data", pcm)]))


def read_take(path):
    """channels, bits, rate, the sample bytes, and whether they are floats (format tag 3)."""
    with open(path, "rb") as f:
        data = f.read()
    at, fmt, pcm = 12, None, None
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        if cid == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", data, at + 8)
        elif cid == b"data":
            pcm = data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    tag, channels, rate, _, _, bits = fmt
    return channels, bits, rate, pcm, tag == 3


def float_value(x):
    """floor(x * 32768) held to the 16-bit range; NaN is 0."""
    if x != x:
        return 0
    scaled = x * 32768.0   # a power of two: exact
    if scaled >= 32767:
        return 32767
    if scaled < -32768:
        return -32768
    return math.floor(scaled)


def sixteen_bit_values(bits, pcm, is_float):
    """Every sample of the take as the 16-bit value it mixes as."""
    if is_float:
        return array.array("h", (float_value(x) for x in struct.unpack("<%df" % (len(pcm) // 4), pcm)))
    if bits == 8:
        return array.array("h", ((u - 128) * 256 for u in pcm))
    width = bits // 8
    top = bytearray(2 * (len(pcm) // width))
    top[0::2] = pcm[width - 2::width]
    top[1::2] = pcm[width - 1::width]
    samples = array.array("h", bytes(top))
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def expected_mix(path, enabled, start_frame):
    """Stereo s16 frames of the mix from start_frame, in whole blocks, as two lists."""
    channels, bits, rate, pcm, is_float = read_take(path)
    samples = sixteen_bit_values(bits, pcm, is_float)
    frames = len(samples) // channels - start_frame
    block = rate // 10
    blocks = max(0, -(-frames // block))
    sides = []
    for side in (0, 1):
        used = [c for c in range(channels) if c % 2 == side and enabled[c]]
        columns = [samples[start_frame * channels + c::channels] for c in used]
        if columns:
            mixed = [sum(values) for values in zip(*columns)]
        else:
            mixed = [0] * frames
        for value in mixed:
            assert -32768 <= value <= 32767, "the generated take is too loud for an exact mix"
        sides.append(mixed + [0] * (blocks * block - frames))
    return sides[0], sides[1], frames, blocks, block


# ---- sound server ----

def pactl(*args):
    return subprocess.run(["pactl", *args], check=True, capture_output=True, text=True,
                          stdin=subprocess.DEVNULL).stdout


class RateSink:
    """A private null sink at one rate, made the default, with a silent stream keeping it
    running in real time and parec recording its monitor into a file."""

    def __init__(self, rate, capture_path):
        self.name = "vp_e2e_%d" % rate
        self.rate = rate
        self.previous_default = pactl("get-default-sink").strip()
        self.module = pactl("load-module", "module-null-sink", "sink_name=" + self.name,
                            "rate=%d" % rate, "channels=2", "format=s16le", "norewinds=1").strip()
        stream_format = ["--format=s16le", "--rate=%d" % rate, "--channels=2", "--raw", "--latency-msec=%d" % SINK_LATENCY_MS]
        self.busy = subprocess.Popen(["pacat", "-d", self.name, "--client-name=vp-e2e-busy",
                                      "--stream-name=" + BUSY_STREAM, *stream_format, "/dev/zero"],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        # Only a running sink keeps its rate: an idle one takes the rate of the next
        # stream that arrives, such as the environment's silent stream, which follows
        # the default sink when it changes.
        self.wait_running()
        pactl("set-default-sink", self.name)
        self.capture_file = open(capture_path, "wb")
        self.server_log = ServerLog()   # from before the capture's stream is made
        self.capture = subprocess.Popen(["parec", "-d", self.name + ".monitor", "--stream-name=" + CAPTURE_STREAM,
                                         *stream_format],
                                        stdin=subprocess.DEVNULL, stdout=self.capture_file,
                                        stderr=subprocess.DEVNULL)
        time.sleep(SETTLE_SECONDS)

    def wait_running(self):
        for _ in range(100):
            for line in pactl("list", "sinks", "short").splitlines():
                fields = line.split()
                if len(fields) >= 2 and fields[1] == self.name and "RUNNING" in fields:
                    return
            time.sleep(0.05)
        raise RuntimeError("the sink %s does not run" % self.name)

    def capture_start(self):
        """The server log's time of the capture's first frame (None when the log does not say).
        The sink renders in real time and hands the capture what it renders from the moment
        the capture's stream is made, and a dry-out is logged as the sink renders the silence
        that follows it. So capture frame k lies k / rate seconds after the stream's making on
        the log's clock, to within one of the sink's render periods (SINK_LATENCY_MS)."""
        return self.server_log.capture_start()

    def close(self):
        for process in (self.capture, self.busy):
            if process.poll() is None:
                process.send_signal(signal.SIGINT)
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.capture_file.close()
        try:
            pactl("set-default-sink", self.previous_default)
        finally:
            pactl("unload-module", self.module)


def cpu_seconds(pid):
    """The CPU time a process has used, user and system (0 once it is gone)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return 0.0


def stolen_seconds():
    """CPU time the virtual machine's host took from this machine's cores (0 on bare metal)."""
    try:
        with open("/proc/stat") as stat:
            fields = stat.readline().split()
        return int(fields[8]) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return 0.0


def pids_named(fragment):
    """The processes whose command line holds the bytes fragment."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    if fragment in f.read():
                        found.append(int(entry))
            except OSError:
                pass
    return found


def sound_server_pids():
    """The private sound server's process, as the environment's pid file names it (none without one)."""
    pid_file = os.path.join(os.environ.get("PULSE_RUNTIME_PATH", ""), "pid")
    if not os.path.exists(pid_file):
        return []
    with open(pid_file) as f:
        return [int(f.read().split()[0])]


# The sound server names a stream that ran out of data in its debug log; wine names its streams
# "audio stream #1", "#2", ... in the order a program opens its devices. The server's own silence
# streams: the environment's (scripts/testenv.sh) and each private sink's.
DRY_LINE = re.compile(r"^\(\s*([0-9.]+)\|.*(?:Implicit underrun of|Underrun on) '([^']*)'")
PLAYER_STREAM = "audio stream #"
BUSY_STREAM = "vp-e2e-busy"
SILENCE_STREAMS = ("silence", BUSY_STREAM)
TOGETHER_SECONDS = 0.010
# The capture's stream, as the server logs its making (at its info level).
CAPTURE_STREAM = "vp-e2e-capture"
CAPTURE_LINE = re.compile(r'^\(\s*([0-9.]+)\|.*Created output \d+ "%s" on ' % CAPTURE_STREAM)


class ServerLog:
    """The private sound server's log from the moment this is made (its times are seconds on
    the server's clock). When the player's stream runs dry together with the server's own
    silence streams (separate processes that share nothing with the player but the server and
    the machine), the server or the machine was held, not the player's path to it."""

    def __init__(self):
        self.path = os.path.join(os.environ.get("VP_ENV_RUN", ""), "pulse.log")
        self.mark = os.path.getsize(self.path) if os.path.exists(self.path) else 0

    def _matches(self, pattern):
        if not os.path.exists(self.path):
            return []
        with open(self.path, errors="replace") as log:
            log.seek(self.mark)
            return [m for m in map(pattern.match, log) if m]

    def dry_outs(self):
        """(time, whether a silence stream ran dry within 10 ms of it) for each time the player's
        stream ran dry since the mark; its own pauses and ends leave it running dry alone."""
        events = [(float(m.group(1)), m.group(2)) for m in self._matches(DRY_LINE)]
        return [(when, any(name in SILENCE_STREAMS and abs(other - when) <= TOGETHER_SECONDS for other, name in events))
                for when, stream in events if stream.startswith(PLAYER_STREAM)]

    def server_wide_dry_outs(self):
        """The times the player's stream ran dry together with a silence stream since the mark."""
        return [when for when, together in self.dry_outs() if together]

    def capture_start(self):
        """The time the first capture's stream since the mark was made, or None."""
        return next((float(m.group(1)) for m in self._matches(CAPTURE_LINE)), None)


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


def read_capture(path):
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read()[: (os.path.getsize(path) // 4) * 4])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples[0::2], samples[1::2]


def first_loud(left, right, threshold):
    for i, (l, r) in enumerate(zip(left, right)):
        if abs(l) > threshold or abs(r) > threshold:
            return i
    return -1


def silent(l, r):
    return abs(l) <= SILENCE and abs(r) <= SILENCE


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


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def environment_missing(program):
    """The name of a variable of the test environment that is not set, after saying so."""
    for var in ("DISPLAY", "PULSE_SERVER", "WINEPREFIX", "VP_WINE"):
        if not os.environ.get(var):
            print("%s: %s is not set: run inside the test environment (scripts/test)" % (program, var))
            return var
    return None
