#!/usr/bin/env python3
"""Writes the demo take: 8 channels, 48 kHz, 24-bit PCM, 20 s, labelled tape DEMO1,
scene 12A, take 3, in the bext description lines and in an iXML chunk.

    python3 tools/make_demo_take.py OUT.wav

Each channel plays one note of a C major scale (channel 1 C4 ... channel 8 C5) and swells
at its own rate, rests for a moment at its own time, and all of them fall quiet together
for a few seconds in the middle, so every switch and every meter has something to show.
Standard library only; the output is the same byte for byte on every run.

Speed without numpy: a note's period is a whole number of samples, so one cycle at each
loudness is encoded once and the channel is a join of ready cycles; the loudness changes
only at cycle starts, where the wave crosses zero, so the steps do not click. The eight
channel streams are interleaved with extended-slice assignments.
"""

import math
import struct
import sys

from wave_writer import chunk, format_block, riff

RATE = 48000
CHANNELS = 8
BYTES_PER_SAMPLE = 3
SECONDS = 20
FRAMES = RATE * SECONDS

TAPE, SCENE, TAKE = 'DEMO1', '12A', '3'
NOTE = 'VantorPlay demo take: one note of the C major scale per channel, levels that move'

# Samples per cycle: C4 D4 E4 F4 G4 A4 B4 C5, each within a few cents at 48 kHz.
PERIODS = (183, 163, 145, 137, 122, 109, 97, 92)
NOTE_NAMES = ('C4', 'D4', 'E4', 'F4', 'G4', 'A4', 'B4', 'C5')
HARMONICS = (1.0, 0.35, 0.18, 0.08)   # a soft organ-like tone, easier to tell apart than sines

FULL_SCALE = (1 << 23) - 1
SIDE_CEILING = 0.9        # the player mixes channels 1,3,5,7 left and 2,4,6,8 right: their sum stays below this
LEVEL_STEP_DB = 0.25      # loudness is quantised to this, downwards
SILENT_DB = -90.0


def cycle_shape(period):
    """One cycle, starting at a zero crossing, peak magnitude 1."""
    raw = [sum(a * math.sin(2 * math.pi * (h + 1) * n / period) for h, a in enumerate(HARMONICS))
           for n in range(period)]
    peak = max(abs(v) for v in raw)
    return [v / peak for v in raw]


def smooth_step(x):
    x = min(max(x, 0.0), 1.0)
    return x * x * (3 - 2 * x)


def channel_db(channel, t):
    """The channel's loudness in dBFS at time t, before the side ceiling."""
    # A swell between about -46 and -5 dBFS, at a different rate and phase per channel.
    swell_period = 2.6 + 0.85 * channel
    db = -25.5 + 20.5 * math.sin(2 * math.pi * t / swell_period + 0.8 * channel)
    # Every channel rests for 0.7 s at its own time, so each meter drops on its own.
    rest_start = 1.2 + 0.95 * channel
    db -= 60.0 * smooth_step((t - rest_start) / 0.15) * smooth_step((rest_start + 0.85 - t) / 0.15)
    # A quiet passage for all from 9.5 s to 12 s.
    db -= 24.0 * smooth_step((t - 9.0) / 0.5) * smooth_step((12.5 - t) / 0.5)
    # Fade in and out.
    db -= 60.0 * (1.0 - smooth_step(t / 0.3)) + 60.0 * (1.0 - smooth_step((SECONDS - t) / 0.5))
    return db


def gain(db):
    return 0.0 if db <= SILENT_DB else 10.0 ** (db / 20.0)


def side_limit(channel, t):
    """The factor that keeps the sum of the channel's side at or below SIDE_CEILING."""
    total = sum(gain(channel_db(c, t)) for c in range(channel % 2, CHANNELS, 2))
    return 1.0 if total <= SIDE_CEILING else SIDE_CEILING / total


def channel_stream(channel):
    """The channel's samples as 24-bit little-endian bytes, FRAMES long."""
    period = PERIODS[channel]
    shape = cycle_shape(period)
    encoded = {}   # level index -> one cycle's bytes at that level

    def cycle_at(level):
        if level not in encoded:
            scale = 0.0 if level is None else FULL_SCALE * 10.0 ** (level * LEVEL_STEP_DB / 20.0)
            encoded[level] = b''.join((int(round(v * scale)) & 0xFFFFFF).to_bytes(3, 'little') for v in shape)
        return encoded[level]

    cycles = []
    for start in range(0, FRAMES, period):
        t = start / RATE
        db = channel_db(channel, t)
        db += 20.0 * math.log10(side_limit(channel, t))
        cycles.append(None if db <= SILENT_DB else math.floor(db / LEVEL_STEP_DB))
    return b''.join(cycle_at(level) for level in cycles)[:FRAMES * BYTES_PER_SAMPLE]


def interleave(streams):
    frame_bytes = CHANNELS * BYTES_PER_SAMPLE
    data = bytearray(FRAMES * frame_bytes)
    for c, stream in enumerate(streams):
        for b in range(BYTES_PER_SAMPLE):
            data[c * BYTES_PER_SAMPLE + b::frame_bytes] = stream[b::BYTES_PER_SAMPLE]
    return data


def fixed(text, size):
    raw = text.encode('ascii')
    assert len(raw) <= size
    return raw + bytes(size - len(raw))


def format_chunk():
    return chunk(b'fmt ', format_block(CHANNELS, RATE, 8 * BYTES_PER_SAMPLE))


def bext_chunk():
    description = f'sSCENE={SCENE}\r\nsTAKE={TAKE}\r\nsTAPE={TAPE}\r\nsNOTE=demo take\r\n'
    body = (fixed(description, 256)
            + fixed('VantorPlay', 32)             # originator
            + fixed('VANTORPLAY-DEMO-TAKE', 32)   # originator reference
            + b'2009-05-14' + b'12:00:00'         # origination date and time
            + struct.pack('<IIH', 0, 0, 1)        # time reference (low, high), version
            + bytes(64)                           # UMID
            + bytes(190)                          # reserved
            + f'A=PCM,F={RATE},W=24,M=multi,T=make_demo_take.py\r\n'.encode('ascii'))
    return chunk(b'bext', body)


def ixml_chunk():
    tracks = ''.join(
        f'<TRACK><CHANNEL_INDEX>{c + 1}</CHANNEL_INDEX><INTERLEAVE_INDEX>{c + 1}</INTERLEAVE_INDEX>'
        f'<NAME>{NOTE_NAMES[c]}</NAME></TRACK>' for c in range(CHANNELS))
    text = ('<?xml version="1.0" encoding="UTF-8"?>\r\n<BWFXML>'
            f'<IXML_VERSION>1.5</IXML_VERSION><TAPE>{TAPE}</TAPE><SCENE>{SCENE}</SCENE><TAKE>{TAKE}</TAKE>'
            f'<NOTE>{NOTE}</NOTE><PROJECT>VantorPlay</PROJECT>'
            f'<TRACK_LIST><TRACK_COUNT>{CHANNELS}</TRACK_COUNT>{tracks}</TRACK_LIST></BWFXML>\r\n')
    return chunk(b'iXML', text.encode('ascii'))


def demo_take():
    data = interleave([channel_stream(c) for c in range(CHANNELS)])
    take = riff([format_chunk(), bext_chunk(), ixml_chunk(), chunk(b'data', data)])
    # Everything a reader looks for lies ahead of the sample data, in the first few kilobytes.
    assert take.index(b'data') + 8 < 8180
    return take


def main(argv):
    if len(argv) != 2:
        print('usage: make_demo_take.py OUT.wav', file=sys.stderr)
        return 2
    with open(argv[1], 'wb') as f:
        f.write(demo_take())
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
