#!/usr/bin/env python3
"""Writes a corpus of malformed takes for the player, byte for byte the same on every run,
from the real-layout takes of the fuzzers' seeds (tests/fuzz/seeds/):

  every take cut at each chunk boundary and in the middle of each chunk's header and body;
  RIFF and data sizes of 0 and 0xFFFFFFFF; garbage after the data;
  an RF64 take whose ds64 claims a terabyte, and one whose ds64 is cut short;
  iXML padded with NULs, iXML that is never closed, a description that says "data";
  12 channels; an empty file; a folder named like a take; a link to nothing.

    python3 tests/malformed/make_malformed.py OUTPUT_DIR

Prints one line a file: its name.
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "..", "fuzz", "seeds")
sys.dont_write_bytecode = True   # the source folders stay clean
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
from wave_writer import chunk, format_block, riff  # noqa: E402


def chunks_of(take):
    """(offset, id, declared size) of every chunk header the walk can reach."""
    found, at = [], 12
    while at + 8 <= len(take):
        size = struct.unpack_from("<I", take, at + 4)[0]
        found.append((at, take[at:at + 4], size))
        if size > len(take):
            break
        at += 8 + size + (size & 1)
    return found


def with_le32(take, at, value):
    return take[:at] + struct.pack("<I", value & 0xFFFFFFFF) + take[at + 4:]


def cuts(name, take):
    """The take cut at every chunk boundary and inside every header and body."""
    points = set()
    for at, _, size in chunks_of(take):
        body = min(size, len(take) - at - 8)
        points.update({at, at + 2, at + 4, at + 6, at + 8, at + 8 + body // 2})
    for point in sorted(p for p in points if 0 < p < len(take)):
        yield "%s.cut%05d.wav" % (name, point), take[:point]


def sizes(name, take):
    for label, value in (("0", 0), ("ffffffff", 0xFFFFFFFF)):
        yield "%s.riffsize%s.wav" % (name, label), with_le32(take, 4, value)
        for at, cid, _ in chunks_of(take):
            if cid == b"data":
                yield "%s.datasize%s.wav" % (name, label), with_le32(take, at + 4, value)
    yield "%s.garbage.wav" % name, take + bytes((i * 37 + 11) & 0xFF for i in range(3000))


def fmt(channels, rate, bits, tag=1):
    return format_block(channels, rate, bits, tag)


def take(*chunks):
    return riff([chunk(identifier, body) for identifier, body in chunks])


def specials():
    pcm = bytes((i * 7) & 0xFF for i in range(4800))
    ixml = b"<?xml version=\"1.0\"?><BWFXML><TAPE>T1</TAPE><SCENE>4</SCENE><TAKE>2</TAKE></BWFXML>"
    yield "ixml_nul_padded.wav", take((b"iXML", ixml + bytes(3000)), (b"fmt ", fmt(2, 48000, 16)), (b"data", pcm))
    yield "ixml_unterminated.wav", take((b"iXML", b"<BWFXML><SCENE>12" + b"A" * 4000), (b"fmt ", fmt(2, 48000, 16)),
                                         (b"data", pcm))
    description = b"sNOTE=data lost on card 2\r\nsSCENE=data\r\nsTAKE=1\r\ndata" + bytes(602)
    yield "description_says_data.wav", take((b"bext", description[:602]), (b"fmt ", fmt(2, 48000, 16)), (b"data", pcm))
    yield "twelve_channels.wav", take((b"fmt ", fmt(12, 48000, 16)), (b"data", pcm))
    yield "zero_channels.wav", take((b"fmt ", fmt(0, 48000, 16)), (b"data", pcm))
    yield "zero_rate.wav", take((b"fmt ", fmt(2, 0, 16)), (b"data", pcm))
    yield "four_bits.wav", take((b"fmt ", fmt(2, 48000, 4)), (b"data", pcm))
    yield "float_64bit.wav", take((b"fmt ", fmt(2, 48000, 64, tag=3)), (b"data", pcm))
    ds64 = struct.pack("<QQQI", 1 << 40, 1 << 40, 1 << 37, 0)
    yield "rf64_lying_ds64.wav", (b"RF64" + struct.pack("<I", 0xFFFFFFFF) + b"WAVE" + b"ds64" + struct.pack("<I", 28) +
                                  ds64 + b"fmt " + struct.pack("<I", 16) + fmt(2, 48000, 16) + b"data" +
                                  struct.pack("<I", 0xFFFFFFFF) + pcm)
    yield "rf64_short_ds64.wav", (b"RF64" + struct.pack("<I", 0xFFFFFFFF) + b"WAVE" + b"ds64" + struct.pack("<I", 28) +
                                  ds64[:10])
    yield "empty.wav", b""


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    written = []
    for seed in sorted(os.listdir(SEEDS)):
        with open(os.path.join(SEEDS, seed), "rb") as f:
            take = f.read()
        name = os.path.splitext(seed)[0]
        for file_name, data in list(cuts(name, take)) + list(sizes(name, take)):
            written.append((file_name, data))
    written += list(specials())
    for file_name, data in written:
        with open(os.path.join(out, file_name), "wb") as f:
            f.write(data)
        print(file_name)
    folder = os.path.join(out, "folder_named_like_a_take.wav")
    os.makedirs(folder, exist_ok=True)
    print(os.path.basename(folder))
    link = os.path.join(out, "link_to_nothing.wav")
    if not os.path.lexists(link):
        os.symlink(os.path.join(out, "no such take.wav"), link)
    print(os.path.basename(link))
    return 0


if __name__ == "__main__":
    sys.exit(main())
