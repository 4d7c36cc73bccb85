#!/usr/bin/env python3
"""The Windows vantorinfo under wine writes the same sound report as the native one: one
generated card, both programs, every row compared field by field (the file column with the
separators made alike), and the exit statuses.

    same_rows_test.py --windows vantorinfo.exe --native build/native/bin/vantorinfo

The card holds what a day's card holds and what it should not: takes of every sample format,
a take of 12 channels, an iXML file set (whole, and one with a file missing), labels and
timecode, names in UTF-8 with letters inside and outside code page 1252, a file that is no
take, a cut one and a folder that links back to the card. (A link that leads nowhere is
left to the native test: wine does not list one, so there is nothing to compare.)
Needs VP_WINE (the test environment's wine) in the environment.
"""

import argparse
import csv
import io
import math
import os
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
from wave_writer import chunk, format_block, riff  # noqa: E402

RATE = 48000


def bext(description, time_reference, date='2026-12-09'):
    body = bytearray(602)
    text = description.encode('latin-1')[:256]
    body[0:len(text)] = text
    body[320:330] = date.encode('ascii')
    body[338:346] = struct.pack('<Q', time_reference)
    return chunk(b'bext', bytes(body))


def ixml(inner):
    return chunk(b'iXML', ('<?xml version="1.0" encoding="UTF-8"?><BWFXML>%s</BWFXML>' % inner).encode('utf-8'))


def samples(channels, bits, frames, tag=1):
    """A tone a channel, each at its own level; channel 2 also touches full scale once."""
    out = bytearray()
    for f in range(frames):
        for c in range(channels):
            x = (0.5 / (c + 1)) * math.sin(2 * math.pi * (c + 1) * f / 96)
            if c == 1 and f == 7:
                x = 1.0
            if tag == 3:
                out += struct.pack('<f', x)
            elif bits == 8:
                out.append(max(0, min(255, 128 + int(round(x * 127)))))
            else:
                full = (1 << (bits - 1)) - 1
                out += int(round(x * full)).to_bytes(bits // 8, 'little', signed=True)
    return bytes(out)


def take(channels, bits, frames=4800, tag=1, extensible=False, labels='', tracks=(), file_set=None, cut=0):
    inner = '<PROJECT>Card Test</PROJECT><SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE><TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED>'
    inner += labels
    if tracks:
        inner += '<TRACK_LIST>' + ''.join(
            '<TRACK><CHANNEL_INDEX>%d</CHANNEL_INDEX><INTERLEAVE_INDEX>%d</INTERLEAVE_INDEX><NAME>%s</NAME></TRACK>'
            % (index, k + 1, name) for k, (index, name) in enumerate(tracks)) + '</TRACK_LIST>'
    if file_set:
        inner += '<FILE_SET><TOTAL_FILES>%d</TOTAL_FILES><FAMILY_UID>%s</FAMILY_UID><FILE_SET_INDEX>%s</FILE_SET_INDEX></FILE_SET>' % file_set
    data = samples(channels, bits, frames, tag)
    body = riff([bext('sSCENE=12A\r\nsTAKE=3\r\n', 36000 * RATE), chunk(b'fmt ', format_block(channels, RATE, bits, tag, extensible)), ixml(inner), chunk(b'data', data)])
    return body[:len(body) - cut] if cut else body


def write_card(card):
    files = {
        'A001_ä.WAV': take(2, 16, labels='<TAPE>D01</TAPE><SCENE>12A</SCENE><TAKE>1</TAKE><CIRCLED>TRUE</CIRCLED>',
                           tracks=((1, 'BOOM'), (2, 'LAV ä'))),
        'A002_Ω.WAV': take(1, 24, labels='<NOTE>Ωmega, "quoted"</NOTE>'),
        'A003.WAV': take(4, 32, tag=3, extensible=True),
        'A004.WAV': take(3, 8),
        'A005.WAV': take(12, 24, frames=2400, tracks=tuple((c + 1, 'CH%d' % (c + 1)) for c in range(12))),
        'A006.WAV': take(2, 24, cut=1000),
        'A007.WAV': take(1, 32),
        'S001_1.WAV': take(1, 16, tracks=((2, 'LAV'),), file_set=(3, 'S1', '1')),
        'S001_2.WAV': take(1, 16, tracks=((1, 'BOOM'),), file_set=(3, 'S1', '2')),
        'S001_3.WAV': take(1, 16, tracks=((3, 'PLANT'),), file_set=(3, 'S1', '3')),
        'S002_1.WAV': take(1, 16, tracks=((1, 'X'),), file_set=(2, 'S2', '1')),   # S002_2.WAV is not there
        'notes.wav': b'not a take at all',
        'Tag 2/B001.BWF': take(2, 16, labels='<SCENE>14</SCENE><TAKE>2</TAKE><WILD_TRACK>true</WILD_TRACK>'),
        'Tag 2/日本語.wav': take(1, 16),
    }
    for name, data in files.items():
        path = os.path.join(card, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as out:
            out.write(data)
    os.symlink('..', os.path.join(card, 'Tag 2', 'back'))


# What the card's report says of each take, in the walk's order.
EXPECTED_STATUSES = [
    ['card/A001_ä.WAV', 'ok'], ['card/A002_Ω.WAV', 'ok'], ['card/A003.WAV', 'ok'], ['card/A004.WAV', 'ok'],
    ['card/A005.WAV', 'ok'], ['card/A006.WAV', 'data shorter than declared'], ['card/A007.WAV', 'ok'],
    ['card/S001_2.WAV', 'ok'], ['card/S002_1.WAV', '1 of 2 files, 1 not found'], ['card/Tag 2/B001.BWF', 'ok'],
    ['card/Tag 2/back', 'links back to card'], ['card/Tag 2/日本語.wav', 'ok'], ['card/notes.wav', 'not a take'],
]


def report(command, card_name, cwd, env=None):
    result = subprocess.run(command + ['--report', card_name], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=300)
    rows = list(csv.reader(io.StringIO(result.stdout.decode('utf-8'), newline='')))
    return result.returncode, rows, result.stderr.decode('utf-8', 'replace')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--windows', required=True)
    parser.add_argument('--native', required=True)
    options = parser.parse_args()
    wine = os.environ.get('VP_WINE')
    if not wine:
        print('FAILED: VP_WINE is not set: run under the test environment (scripts/test)')
        return 1

    failures = []
    with tempfile.TemporaryDirectory() as work:
        write_card(os.path.join(work, 'card'))
        native_status, native_rows, native_errors = report([options.native], 'card', work)
        env = dict(os.environ, WINEDEBUG='-all')
        windows_status, windows_rows, windows_errors = report([wine, options.windows], 'card', work, env)

    if native_status != windows_status:
        failures.append('exit status: native %d, Windows %d' % (native_status, windows_status))
    statuses = [row[:2] for row in native_rows[1:]]
    if statuses != EXPECTED_STATUSES:
        failures.append('the native report is not the card\'s: %r (%s)' % (statuses, native_errors.strip()))
    header = native_rows[0] if native_rows else []
    for k in range(max(len(native_rows), len(windows_rows))):
        mine = native_rows[k] if k < len(native_rows) else None
        theirs = windows_rows[k] if k < len(windows_rows) else None
        if theirs is not None:
            # The Windows build joins a folder and a name with a backslash.
            theirs = [field.replace('\\', '/') for field in theirs]
        if mine != theirs:
            if mine and theirs and len(mine) == len(theirs):
                for name, a, b in zip(header, mine, theirs):
                    if a != b:
                        failures.append('row %d, %s: native %r, Windows %r' % (k, name, a, b))
            else:
                failures.append('row %d: native %r, Windows %r' % (k, mine, theirs))
    print('%d and %d rows, exit status %d and %d' % (len(native_rows) - 1, len(windows_rows) - 1, native_status, windows_status))
    if failures:
        print('FAILED: the builds differ (%d differences; the first 40 follow):' % len(failures))
        for failure in failures[:40]:
            print('  ' + failure)
        if windows_errors:
            print('the Windows build said: ' + windows_errors.strip())
        return 1
    print('PASSED: the Windows build writes the native rows')
    return 0


if __name__ == '__main__':
    sys.exit(main())
