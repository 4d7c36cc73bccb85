"""The takes the end-to-end tests play, generated here, and the stereo mix each one should
sound as, worked out from the take's bytes independently of the engine.

The expected mix: for every frame, the enabled channels' 16-bit values (integer samples of
16 to 32 bits: their top 16 bits as signed numbers; 8 bits: (u - 128) * 256; 32-bit float
x: floor(x * 32768) held to -32768..32767, NaN 0), odd channels summed into the left side
and even ones into the right (the takes are quiet enough that no sum leaves the 16-bit
range), whole blocks of a tenth of a second, the last one padded with silence.
"""

import array
import math
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from wave_writer import chunk, format_block, riff, wave_header  # noqa: E402

RATE = 48000          # the rate of the player's tests' takes
BLOCK = RATE // 10    # the player's block there: a tenth of a second
ALL_ON = (1, 1, 1, 1, 1, 1, 1, 1)   # every channel enabled


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


class Take:
    """A take of 24-bit tones at RATE, or of float tones at the given peak amplitudes per channel,
    with its expected mix for each named mask of enabled channels."""

    def __init__(self, path, channels, seconds, masks, float_peaks=None, amplitude=5000):
        if float_peaks:
            float_tone_take(path, channels, RATE, seconds * RATE, float_peaks)
        else:
            tone_take(path, channels, 24, RATE, seconds * RATE, amplitude)
        self.path, self.channels, self.seconds, self.frames = path, channels, seconds, seconds * RATE
        self.mixes = {}
        for name, enabled in masks.items():
            left, right, _, _, _ = expected_mix(path, enabled, 0)
            self.mixes[name] = (array.array("h", left), array.array("h", right))


def write_long_take(path, seconds):
    """A 16-bit stereo take at RATE whose sample data is its own expected mix: the left side a
    tone whose phase repeats every second, the right side a count of the tenths of a second, so
    a block lost, repeated or moved shows. Written block by block; returns the data's length in
    bytes."""
    tone = array.array("h", (int(6000 * math.sin(2 * math.pi * 441.0 * f / RATE)) for f in range(RATE)))
    frames = seconds * RATE
    data_bytes = frames * 4
    with open(path, "wb") as out:
        out.write(wave_header([chunk(b"fmt ", format_block(2, RATE, 16))], data_bytes))
        frame = array.array("h", bytes(4 * BLOCK))
        for block in range(frames // BLOCK):
            start = (block % 10) * BLOCK
            frame[0::2] = tone[start:start + BLOCK]
            frame[1::2] = array.array("h", [1000 + block % 30000]) * BLOCK
            out.write(frame.tobytes() if sys.byteorder == "little" else _swapped(frame))
    return data_bytes


def _swapped(samples):
    copy = array.array("h", samples)
    copy.byteswap()
    return copy.tobytes()
