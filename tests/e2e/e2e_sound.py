"""The private sound server of the test environment (scripts/testenv.sh): a null sink of its
own for each capture, recorded from its monitor, and the server's debug log read for the times
the player's stream ran dry."""

import os
import re
import signal
import subprocess
import time

SETTLE_SECONDS = 2.5   # a new sink's capture loses the start of streams before this
SINK_LATENCY_MS = 20   # low: the sink plays in real time, as the environment's silent stream keeps it

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


def sound_server_pids():
    """The private sound server's process, as the environment's pid file names it (none without one)."""
    pid_file = os.path.join(os.environ.get("PULSE_RUNTIME_PATH", ""), "pid")
    if not os.path.exists(pid_file):
        return []
    with open(pid_file) as f:
        return [int(f.read().split()[0])]


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
