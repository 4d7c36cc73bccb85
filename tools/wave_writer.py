"""The project's one WAV writer for Python: the demo take, the benchmarks' takes, the
end-to-end tests' takes and the fuzzers' seeds and malformed takes are all put together
from these pieces (standard library only; the same bytes on every run).

    chunk(b"fmt ", format_block(2, 48000, 16)) ...
    riff([chunk(...), chunk(...)])                     # a whole RIFF/WAVE file's bytes
    wave_header([chunk(...)], format_body, data_size)  # everything before the samples
"""

import struct

EXTENSIBLE_TAG = 0xFFFE
SUB_FORMAT_TAIL = bytes.fromhex("00001000800000aa00389b71")   # after the tag in the GUID


def chunk(identifier, body, pad=True):
    """A chunk: four-character id, 32-bit size, body, and a zero pad byte after an odd
    body unless pad is False (some recorders leave it out)."""
    assert len(identifier) == 4
    out = identifier + struct.pack("<I", len(body) & 0xFFFFFFFF) + body
    if pad and len(body) % 2 == 1:
        out += b"\x00"
    return out


def riff(chunks):
    """A RIFF/WAVE file of the given (already made) chunks."""
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) & 0xFFFFFFFF) + body


def format_block(channels, rate, bits, tag=1, extensible=False):
    """The body of a "fmt " chunk. tag 1: integer PCM, 3: IEEE float; an extensible block
    carries the tag in its sub-format GUID, with every bit valid and every channel masked."""
    align = channels * bits // 8
    body = struct.pack("<HHIIHH", EXTENSIBLE_TAG if extensible else tag, channels, rate, rate * align, align, bits)
    if extensible:
        body += struct.pack("<HHII", 22, bits, (1 << channels) - 1, tag) + SUB_FORMAT_TAIL
    return body


def wave_header(chunks, data_size):
    """The bytes of a RIFF/WAVE file up to its first sample, for a file whose data of
    data_size bytes is written afterwards (an odd size is to be followed by a pad byte)."""
    before = b"".join(chunks)
    total = 4 + len(before) + 8 + data_size + (data_size & 1)
    return b"RIFF" + struct.pack("<I", total) + b"WAVE" + before + b"data" + struct.pack("<I", data_size)
