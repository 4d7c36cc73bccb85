#!/usr/bin/env python3
"""The player's cost while playing, against a bare wave-output streamer, and the time from a
hand-over to the first sound. Run by scripts/bench inside the private environment (it needs
VP_WINE, WINEPREFIX, DISPLAY and PULSE_SERVER from env_up); not a test.

    playback_bench.py --bin DIR --take TAKE.wav --mix MIX.wav [--latency-runs N]

CPU: user+system time of the wine process that runs the program (from /proc/PID/stat, in
clock ticks, which covers all its threads, Wine's audio thread included), from just before
playback starts (the Play press; the streamer's "playing" line) to when it has ended (the
play button unchecked; the streamer's "done" line), divided by the seconds of audio. The
wineserver's and the X server's time over the same span are shown beside it: the player's
window messages and repaints cost there too, outside its own process.

Hand-over to sound: parec records the null sink's monitor; the time from writing
"handover TAKE" and "press 101" to the remote tool to the arrival of the first non-silent
frame at the recorder (less the frames that came after it in the same fragment), less where
the take's own sound starts. It includes the monitor's ~20 ms fragment latency.
"""

import argparse
import os
import select
import statistics
import struct
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True   # the source folders stay clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tools'))
from wave_writer import chunk, format_block, riff  # noqa: E402

TICKS = os.sysconf('SC_CLK_TCK')
PLAY_BUTTON, STOP_BUTTON = 101, 102
SILENCE = 8            # 16-bit magnitude at or below which a sample counts as silent
RATE = 48000


# ---- the take --------------------------------------------------------------------------------

def write_take(path, seconds, channels=8):
    """8 (or 16) channels, 48 kHz, 24-bit PCM: a tone per channel whose level changes every
    0.1 s at its own pace, so the meters move all the time; sound from the first frame."""
    import math
    block = RATE // 10
    periods = (96, 100, 120, 80, 75, 64, 60, 50, 48, 40, 32, 30, 25, 24, 20, 16)[:channels]   # whole cycles a block
    blocks = int(seconds * 10)
    streams = []
    for channel, period in enumerate(periods):
        cache = {}
        parts = []
        for b in range(blocks):
            level = round(12 + 10 * math.sin(2 * math.pi * b / (17 + 3 * channel) + channel))   # 2..22
            if level not in cache:
                amplitude = 0.11 * (level / 22.0) * ((1 << 23) - 1)
                cycle = b''.join(int(round(amplitude * math.sin(2 * math.pi * n / period))).to_bytes(3, 'little', signed=True)
                                 for n in range(period))
                cache[level] = cycle * (block // period)
            parts.append(cache[level])
        streams.append(b''.join(parts))
    frames = blocks * block
    frame_bytes = 3 * channels
    data = bytearray(frames * frame_bytes)
    for channel, stream in enumerate(streams):
        for byte in range(3):
            data[channel * 3 + byte::frame_bytes] = stream[byte::3]
    with open(path + '.tmp', 'wb') as f:
        f.write(riff([chunk(b'fmt ', format_block(channels, RATE, 24)), chunk(b'data', bytes(data))]))
    os.replace(path + '.tmp', path)


def mix_facts(path):
    """Seconds of audio and the first non-silent frame of a 16-bit stereo WAV."""
    with open(path, 'rb') as f:
        data = f.read()
    at = data.index(b'data')
    size = struct.unpack_from('<I', data, at + 4)[0]
    samples = memoryview(data)[at + 8:at + 8 + size].cast('h')
    onset = next((i // 2 for i, v in enumerate(samples[:RATE * 2]) if abs(v) > SILENCE), 0)
    return size / (RATE * 4), onset


# ---- processes -------------------------------------------------------------------------------

def cpu_seconds(pid):
    """utime+stime of a live (or not yet reaped) process, None when it is gone."""
    try:
        with open('/proc/%d/stat' % pid) as f:
            fields = f.read().rsplit(')', 1)[1].split()
    except OSError:
        return None
    return (int(fields[11]) + int(fields[12])) / TICKS


def prefix_pid(name):
    """The process of this wine prefix whose command line holds NAME."""
    prefix = ('WINEPREFIX=' + os.environ['WINEPREFIX']).encode()
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            with open('/proc/%s/cmdline' % entry, 'rb') as f:
                cmdline = f.read()
            with open('/proc/%s/environ' % entry, 'rb') as f:
                environ = f.read().split(b'\0')
        except OSError:
            continue
        if name.encode() in cmdline and prefix in environ:
            return int(entry)
    return None


class Outside:
    """CPU time of the wineserver and the X server over a span."""

    def __init__(self):
        self.pids = [p for p in (prefix_pid('wineserver'), int(os.environ.get('VP_BENCH_XVFB_PID') or 0)) if p]

    def sample(self):
        return [cpu_seconds(p) or 0.0 for p in self.pids]


def win_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


class Remote:
    """One vpremote process fed one command a line (a new wine process per command would
    disturb the stream)."""

    def __init__(self, bin_dir):
        self.process = subprocess.Popen([os.environ['VP_WINE'], os.path.join(bin_dir, 'vpremote.exe'), '-'],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        text=True, bufsize=1)

    def send(self, *commands):
        for command in commands:
            self.process.stdin.write(command + '\n')
        self.process.stdin.flush()

    def answer(self):
        lines = []
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError('vpremote ended: ' + ' | '.join(lines))
            line = line.rstrip('\r\n')
            if line.startswith('= '):
                if line != '= ok':
                    raise RuntimeError('vpremote: %s %s' % (line, ' | '.join(lines)))
                return lines
            lines.append(line)

    def run(self, command):
        self.send(command)
        return self.answer()

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=10)


def start_player(bin_dir, take):
    log = open(os.path.join(os.environ.get('VP_ENV_RUN', '/tmp'), 'bench-player.log'), 'w')
    player = subprocess.Popen([os.environ['VP_WINE'], os.path.join(bin_dir, 'VantorPlay.exe'), win_path(take)],
                              stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
    remote = Remote(bin_dir)
    remote.run('wait 15')
    pid = prefix_pid('VantorPlay.exe')
    if pid is None:
        raise RuntimeError('no process runs VantorPlay.exe')
    return player, remote, pid


def stop_player(player, remote):
    remote.run('close')
    remote.run('gone 10')
    remote.close()
    player.wait(timeout=10)


def player_cpu(bin_dir, take, seconds):
    player, remote, pid = start_player(bin_dir, take)
    time.sleep(1.0)                       # start-up work done
    outside = Outside()
    started, outside_started, wall = cpu_seconds(pid), outside.sample(), time.monotonic()
    remote.run('press %d' % PLAY_BUTTON)
    time.sleep(max(seconds - 0.5, 0))
    for _ in range(100):
        if any(line.startswith('play: unchecked') for line in remote.run('state')):
            break
        time.sleep(0.1)
    else:
        raise RuntimeError('the player did not halt at the end of the take')
    ended, outside_ended, wall = cpu_seconds(pid), outside.sample(), time.monotonic() - wall
    stop_player(player, remote)
    return ended - started, [b - a for a, b in zip(outside_started, outside_ended)], wall


def streamer_cpu(bin_dir, mix, seconds):
    streamer = subprocess.Popen([os.environ['VP_WINE'], os.path.join(bin_dir, 'bare_streamer.exe'), win_path(mix)],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    if streamer.stdout.readline().strip() != 'playing':
        raise RuntimeError('bare_streamer did not start playing')
    pid = prefix_pid('bare_streamer.exe')
    outside = Outside()
    started, outside_started, wall = cpu_seconds(pid), outside.sample(), time.monotonic()
    # A stream Wine stalls would otherwise hold the run for ever.
    if not select.select([streamer.stdout], [], [], seconds + 10)[0] or streamer.stdout.readline().strip() != 'done':
        streamer.kill()
        raise RuntimeError('bare_streamer did not finish in time')
    ended, outside_ended, wall = cpu_seconds(pid), outside.sample(), time.monotonic() - wall
    if streamer.wait(timeout=10) != 0:
        raise RuntimeError('bare_streamer failed')
    return ended - started, [b - a for a, b in zip(outside_started, outside_ended)], wall


# ---- hand-over to sound ----------------------------------------------------------------------

class Recorder(threading.Thread):
    """parec on the default sink's monitor; notes when the first non-silent frame arrives
    after a given moment."""

    def __init__(self):
        super().__init__(daemon=True)
        self.process = subprocess.Popen(['parec', '-d', '@DEFAULT_MONITOR@', '--raw', '--format=s16le',
                                         '--rate=%d' % RATE, '--channels=2', '--latency-msec=20'],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lock = threading.Lock()
        self.armed_at = None
        self.heard_at = None
        self.start()

    def arm(self, moment):
        with self.lock:
            self.armed_at, self.heard_at = moment, None

    def run(self):
        pending = b''
        while True:
            chunk = os.read(self.process.stdout.fileno(), 65536)
            arrived = time.monotonic()
            if not chunk:
                return
            pending += chunk
            usable = len(pending) - len(pending) % 4
            samples, pending = memoryview(pending[:usable]).cast('h'), pending[usable:]
            with self.lock:
                if self.armed_at is None or self.heard_at is not None or arrived < self.armed_at:
                    continue
                if max(samples, default=0) <= SILENCE and -min(samples, default=0) <= SILENCE:
                    continue
                first = next(i for i, v in enumerate(samples) if abs(v) > SILENCE) // 2
                self.heard_at = arrived - (len(samples) // 2 - first) / RATE

    def wait_heard(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                if self.heard_at is not None:
                    return self.heard_at
            time.sleep(0.01)
        return None

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=5)


def handover_to_sound(bin_dir, take, onset_seconds, runs):
    player, remote, _ = start_player(bin_dir, take)
    recorder = Recorder()
    times = []
    try:
        time.sleep(0.5)
        for _ in range(runs):
            sent = time.monotonic()
            recorder.arm(sent)
            remote.send('handover ' + win_path(take), 'press %d' % PLAY_BUTTON)
            remote.answer()
            remote.answer()
            heard = recorder.wait_heard(5.0)
            if heard is None:
                raise RuntimeError('no sound within 5 s of the hand-over')
            times.append((heard - sent - onset_seconds) * 1000.0)
            time.sleep(0.6)
            remote.run('press %d' % STOP_BUTTON)
            time.sleep(0.6)                # the tail plays out; silence again
    finally:
        recorder.close()
        stop_player(player, remote)
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--bin', required=True)
    parser.add_argument('--take', required=True)
    parser.add_argument('--mix', required=True)
    parser.add_argument('--make-take', type=float, metavar='SECONDS')
    parser.add_argument('--channels', type=int, default=8, choices=(8, 16))
    parser.add_argument('--latency-runs', type=int, default=5)
    options = parser.parse_args()
    if options.make_take:
        write_take(options.take, options.make_take, options.channels)
        return 0

    seconds, onset = mix_facts(options.mix)
    player, player_outside, player_wall = player_cpu(options.bin, options.take, seconds)
    bare, bare_outside, bare_wall = streamer_cpu(options.bin, options.mix, seconds)
    latencies = handover_to_sound(options.bin, options.take, onset / RATE, options.latency_runs) \
        if options.latency_runs > 0 else []

    def outside_text(values):
        return ' '.join('%s %.2f s' % (n, v) for n, v in zip(('wineserver', 'Xvfb'), values))

    print('playback of %.1f s of audio, %d channels 24-bit 48 kHz (the streamer: its 16-bit stereo mix)'
          % (seconds, options.channels))
    print('  VantorPlay.exe  %.4f CPU s per audio s  (%.2f s in %.1f s; outside it: %s)'
          % (player / seconds, player, player_wall, outside_text(player_outside)))
    print('  bare_streamer   %.4f CPU s per audio s  (%.2f s in %.1f s; outside it: %s)'
          % (bare / seconds, bare, bare_wall, outside_text(bare_outside)))
    print('  ratio           %.2f  (goal <= 1.15)' % (player / bare if bare > 0 else float('inf')))
    if latencies:
        print('hand-over + Play to first sound: median %.0f ms  (runs: %s)'
              % (statistics.median(latencies), ', '.join('%.0f' % t for t in latencies)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
