#!/usr/bin/env python3
"""The sound report's speed against reading the same bytes and against sox; run by
scripts/bench --report-only, not a test.

    report_bench.py --vantorinfo PATH --take CLEAN.wav --folder DIR [--runs N]

CLEAN.wav is an 8-channel 24-bit 48 kHz take. Next to it the script writes (once) the same
take with three samples at full scale every second, and DIR gets copies of both plus a third
take, for the cold-cache run. Figures, each the fastest of N runs (default 5) of the whole
program, in MB/s (10^6 bytes of file a second):

1. warm cache, the clean take: vantorinfo --report against cat FILE >/dev/null (goal: at
   least half of cat) and against sox FILE -n stats (goal: at least 5 times sox);
2. warm cache, the clipped take: the same, and its time against the clean take's: a scan of
   a take with clipping must take no slower path (goal: at most 1.25 times the clean time);
3. cold cache (echo 3 > /proc/sys/vm/drop_caches before every run; needs root): the report
   of DIR against cat of the same files (goal: at least 0.9 of cat, the disk's sequential
   speed).
Exit status 1 when a goal is missed, so the rule on clipping is checked wherever this runs.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import time

CLIPS_PER_SECOND = 3
RATE = 48000
FRAME_BYTES = 8 * 3


def data_offset(path):
    with open(path, 'rb') as take:
        head = take.read(1 << 16)
    at = 12
    while at + 8 <= len(head):
        size = int.from_bytes(head[at + 4:at + 8], 'little')
        if head[at:at + 4] == b'data':
            return at + 8, size
        at += 8 + size + (size & 1)
    raise SystemExit('%s: no data chunk in its first 64 KiB' % path)


def write_clipped_copy(clean, clipped):
    """The clean take with full-scale samples (positive and negative in turn) three times a
    second, each on another channel."""
    shutil.copyfile(clean, clipped)
    offset, size = data_offset(clipped)
    seconds = size // (RATE * FRAME_BYTES)
    with open(clipped, 'r+b') as take:
        for second in range(seconds):
            for k in range(CLIPS_PER_SECOND):
                frame = second * RATE + k * (RATE // CLIPS_PER_SECOND) + 123
                channel = (second + k) % 8
                take.seek(offset + frame * FRAME_BYTES + channel * 3)
                take.write(b'\xff\xff\x7f' if k % 2 == 0 else b'\x00\x00\x80')
    return seconds * CLIPS_PER_SECOND


def drop_caches():
    os.sync()
    with open('/proc/sys/vm/drop_caches', 'w') as control:
        control.write('3\n')


def fastest(command, runs, cold=False, stdout=subprocess.DEVNULL):
    best = None
    for _ in range(runs):
        if cold:
            drop_caches()
        start = time.perf_counter()
        subprocess.run(command, stdout=stdout, stderr=subprocess.DEVNULL, check=True)
        took = time.perf_counter() - start
        best = took if best is None else min(best, took)
    return best


def cat(paths):
    return ['sh', '-c', 'cat "$@" >/dev/null', 'cat'] + paths


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--vantorinfo', required=True)
    parser.add_argument('--take', required=True)
    parser.add_argument('--folder', required=True)
    parser.add_argument('--runs', type=int, default=5)
    options = parser.parse_args()

    clean = options.take
    clipped = clean[:-4] + '-clipped.wav'
    if not os.path.exists(clipped) or os.path.getmtime(clipped) < os.path.getmtime(clean):
        write_clipped_copy(clean, clipped)
    size = os.path.getsize(clean)
    missed = []

    def check(label, value, goal, at_least=True):
        met = value >= goal if at_least else value <= goal
        if not met:
            missed.append(label)
        return 'met' if met else 'NOT MET'

    print('sound report of a %d MB take, 8 channels 24-bit 48 kHz (fastest of %d runs)' % (size // 1000000, options.runs))
    times = {}
    for name, path in (('clean', clean), ('clipped', clipped)):
        subprocess.run(cat([path]), check=True)     # into the page cache
        ours = fastest([options.vantorinfo, '--report', path], options.runs)
        reading = fastest(cat([path]), options.runs)
        sox = fastest(['sox', path, '-n', 'stats'], min(options.runs, 3))
        times[name] = ours
        print('  warm cache, %-7s vantorinfo %6.0f MB/s, cat %6.0f MB/s: %.2f of cat (goal >= 0.5: %s); '
              'sox %5.0f MB/s: %.1f times sox (goal >= 5: %s)'
              % (name, size / ours / 1e6, size / reading / 1e6, reading / ours, check(name + ' against cat', reading / ours, 0.5),
                 size / sox / 1e6, sox / ours, check(name + ' against sox', sox / ours, 5)))
    slower = times['clipped'] / times['clean']
    print('  clipping (%d full-scale samples a second): %.2f times the clean take\'s time (goal <= 1.25: %s)'
          % (CLIPS_PER_SECOND, slower, check('clipping', slower, 1.25, at_least=False)))

    # The cold run reads a folder of three takes that nothing else touches.
    os.makedirs(options.folder, exist_ok=True)
    folder_takes = []
    for k, source in enumerate((clean, clipped, clean)):
        copy = os.path.join(options.folder, 'T%03d.WAV' % (k + 1))
        if not os.path.exists(copy) or os.path.getsize(copy) != os.path.getsize(source):
            shutil.copyfile(source, copy)
        folder_takes.append(copy)
    folder_bytes = sum(os.path.getsize(path) for path in folder_takes)
    if os.geteuid() != 0:
        print('  cold cache: not measured (dropping the page cache needs root)')
    else:
        runs = min(options.runs, 3)
        ours = fastest([options.vantorinfo, '--report', options.folder], runs, cold=True)
        reading = fastest(cat(sorted(glob.glob(os.path.join(options.folder, '*.WAV')))), runs, cold=True)
        print('  cold cache, a folder of %d takes (%d MB): vantorinfo %5.0f MB/s, cat %5.0f MB/s: %.2f of cat (goal >= 0.9: %s)'
              % (len(folder_takes), folder_bytes // 1000000, folder_bytes / ours / 1e6, folder_bytes / reading / 1e6,
                 reading / ours, check('cold cache', reading / ours, 0.9)))
    if missed:
        print('goals missed: ' + ', '.join(missed))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
