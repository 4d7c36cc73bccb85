#!/usr/bin/env python3
"""Writes the fuzzers' seed takes into tests/fuzz/seeds/, byte for byte the same on
every run: the sample data is integer arithmetic only, no floating point, no clock,
no randomness from the machine.

    python3 tests/fuzz/make_seeds.py [OUTPUT_DIR]

Each seed is a small, valid take that reaches one path of the engine:
  riff_16bit_stereo.wav        plain RIFF/WAVE, 2 x 16 bit, 48 kHz
  riff_24bit_6ch_labels.wav    6 x 24 bit with a bext description and an iXML block
  rf64_ds64.wav                RF64 whose data size lives in the ds64 chunk
  riff_odd_chunks.wav          odd-sized chunks, one with its pad byte and one without
  riff_extensible_8ch.wav      8 x 16 bit with a 40-byte extensible format block
  riff_broken_chunk_list.wav   a chunk list the walk cannot follow, found by the byte scan
  riff_float_stereo.wav        2 x 32 bit IEEE float (format tag 3), 48 kHz
  riff_extensible_float_4ch.wav 4 x 32 bit float through the extensible float sub-format
  riff_8bit_mono.wav           1 x 8 bit unsigned, 22.05 kHz
"""

import os
import struct
import sys

sys.dont_write_bytecode = True   # the source folders stay clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from wave_writer import chunk, format_block, riff  # noqa: E402

MAX_SEED_BYTES = 4096


def le16(value):
    return struct.pack("<H", value & 0xFFFF)


def le32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def le64(value):
    return struct.pack("<Q", value)


class Noise:
    """A 32-bit linear congruential generator: the same numbers everywhere."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self, span):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.state >> 16) % span - span // 2


def pcm(frames, channels, bits, seed=1):
    """Interleaved little-endian samples: a triangle wave per channel, each at its own
    period and level, with a little noise, so the level meters see different values."""
    noise = Noise(seed)
    full = 1 << (bits - 1)
    out = bytearray()
    for frame in range(frames):
        for channel in range(channels):
            period = 24 + 8 * channel
            phase = frame % period
            triangle = (4 * phase - period) if phase < period // 2 else (3 * period - 4 * phase)
            amplitude = full // (2 + channel)
            value = triangle * amplitude // period + noise.next(64)
            value = max(-full, min(full - 1, value))
            out += (value & ((1 << bits) - 1)).to_bytes(bits // 8, "little")
    return bytes(out)


def float_pcm(frames, channels, seed=1):
    """The 16-bit triangles of pcm() as 32-bit floats, value / 32768: exact, so the bytes
    are the same everywhere."""
    ints = pcm(frames, channels, 16, seed)
    values = struct.unpack("<%dh" % (len(ints) // 2), ints)
    return struct.pack("<%df" % len(values), *(value / 32768 for value in values))


def unsigned_pcm8(frames, channels, seed=1):
    """8-bit samples are unsigned: the signed triangles of pcm() offset by 128."""
    return bytes((byte + 128) & 0xFF for byte in pcm(frames, channels, 8, seed))


def padded(text, size):
    data = text.encode("ascii")
    assert len(data) <= size
    return data + b"\x00" * (size - len(data))


def bext_body(description):
    """A broadcast-extension body: description (256), originator (32), originator
    reference (32), date (10), time (8), time reference (8), version (2), UMID (64),
    five loudness values (10), reserved (180), then the coding history."""
    body = padded(description, 256)
    body += padded("FIELDREC", 32) + padded("VP0042", 32)
    body += b"2024-05-17" + b"14:03:22"
    body += le64(48000 * 3600 * 14)
    body += le16(1) + b"\x00" * 64 + b"\x00" * 10 + b"\x00" * 180
    body += b"A=PCM,F=48000,W=24,M=mono,T=field\r\n"
    return body


def ixml_body(scene, take, tape):
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n<BWFXML><IXML_VERSION>1.6</IXML_VERSION>'
        "<PROJECT>HARBOUR NIGHTS</PROJECT><SCENE>%s</SCENE><TAKE>%s</TAKE><TAPE>%s</TAPE>"
        "<NOTE>wind from the left</NOTE></BWFXML>\n" % (scene, take, tape)
    ).encode("ascii")


def seed_riff_16bit_stereo():
    return riff([chunk(b"fmt ", format_block(2, 48000, 16)),
                 chunk(b"data", pcm(120, 2, 16, seed=7))])


def seed_riff_24bit_6ch_labels():
    description = "sSPEED=025.000-ND\r\nsTAKE=4\r\nsSCENE=12A\r\nsTAPE=DAY03\r\nsNOTE=boom only\r\n"
    return riff([chunk(b"bext", bext_body(description)),
                 chunk(b"iXML", ixml_body("12A", "4", "DAY03")),
                 chunk(b"fmt ", format_block(6, 48000, 24)),
                 chunk(b"data", pcm(48, 6, 24, seed=11))])


def seed_rf64_ds64():
    samples = pcm(64, 4, 24, seed=13)
    fmt = chunk(b"fmt ", format_block(4, 96000, 24))
    ds64_size = 8 + 28
    data_header = b"data" + le32(0xFFFFFFFF)
    riff_size = 4 + ds64_size + len(fmt) + len(data_header) + len(samples)
    ds64 = le64(riff_size) + le64(len(samples)) + le64(64) + le32(0)
    return (b"RF64" + le32(0xFFFFFFFF) + b"WAVE" + chunk(b"ds64", ds64) + fmt +
            data_header + samples)


def seed_riff_odd_chunks():
    # junk (7 bytes, with its pad byte), fmt, an iXML block of odd size whose pad byte
    # is missing, an odd-sized data chunk of 1 x 24 bit, and a trailing odd LIST.
    ixml = ixml_body("7", "2", "T1")
    if len(ixml) % 2 == 0:
        ixml += b" "
    return riff([chunk(b"junk", b"\x00" * 7),
                 chunk(b"fmt ", format_block(1, 44100, 24)),
                 chunk(b"iXML", ixml, pad=False),
                 chunk(b"data", pcm(21, 1, 24, seed=17)),
                 chunk(b"LIST", b"INFOICMT\x03\x00\x00\x00ok\x00")])


def seed_riff_extensible_8ch():
    return riff([chunk(b"fmt ", format_block(8, 48000, 16, extensible=True)),
                 chunk(b"data", pcm(40, 8, 16, seed=19))])


def seed_riff_broken_chunk_list():
    # A chunk whose id is not printable stops the walk; the byte scan still finds the
    # format block, the data chunk and the labels in the first bytes of the file.
    description = "sTAKE=9\r\nsSCENE=3B\r\n"
    return riff([chunk(b"\x01\x02\x03\x04", b"\x00" * 6),
                 chunk(b"bext", bext_body(description)[:320]),
                 chunk(b"iXML", ixml_body("3B", "9", "DAY01")),
                 chunk(b"fmt ", format_block(2, 44100, 16)),
                 chunk(b"data", pcm(50, 2, 16, seed=23))])


def seed_riff_float_stereo():
    return riff([chunk(b"fmt ", format_block(2, 48000, 32, tag=3)),
                 chunk(b"data", float_pcm(100, 2, seed=29))])


def seed_riff_extensible_float_4ch():
    return riff([chunk(b"fmt ", format_block(4, 48000, 32, extensible=True, tag=3)),
                 chunk(b"data", float_pcm(40, 4, seed=31))])


def seed_riff_8bit_mono():
    return riff([chunk(b"fmt ", format_block(1, 22050, 8)),
                 chunk(b"data", unsigned_pcm8(301, 1, seed=37))])


SEEDS = {
    "riff_16bit_stereo.wav": seed_riff_16bit_stereo,
    "riff_24bit_6ch_labels.wav": seed_riff_24bit_6ch_labels,
    "rf64_ds64.wav": seed_rf64_ds64,
    "riff_odd_chunks.wav": seed_riff_odd_chunks,
    "riff_extensible_8ch.wav": seed_riff_extensible_8ch,
    "riff_broken_chunk_list.wav": seed_riff_broken_chunk_list,
    "riff_float_stereo.wav": seed_riff_float_stereo,
    "riff_extensible_float_4ch.wav": seed_riff_extensible_float_4ch,
    "riff_8bit_mono.wav": seed_riff_8bit_mono,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "seeds")
    os.makedirs(out_dir, exist_ok=True)
    for name, make in SEEDS.items():
        data = make()
        if len(data) >= MAX_SEED_BYTES:
            sys.exit("make_seeds: %s is %d bytes, seeds stay under %d" % (name, len(data), MAX_SEED_BYTES))
        with open(os.path.join(out_dir, name), "wb") as out:
            out.write(data)
        print("%-30s %5d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
