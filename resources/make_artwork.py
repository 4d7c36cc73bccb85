#!/usr/bin/env python3
"""Draws the controls' bitmaps and writes them as BMP files beside this script.

    python3 resources/make_artwork.py           # (re)writes the images
    python3 resources/make_artwork.py --check   # exit 1 if a committed image differs

Standard library only; the output is the same byte for byte on every run.

AUDIOMETER.bmp       30 x 56, 24 bits: the lit meter (x 0..14) beside the unlit one (x 15..29)
HPARAMETER.bmp       26 x 16, 4 bits: the track (left end 0..7, stretched middle 8..15,
                     right end 18..25; groove rows 6..9)
HPARAMETERKNOP.bmp   20 x 12, 4 bits: the grey knob (x 0..9) beside the blue knob (x 10..19)
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


# --- BMP writing --------------------------------------------------------------------------

def _file_header(pixel_offset, total):
    return struct.pack('<2sIHHI', b'BM', total, 0, 0, pixel_offset)


def _info_header(width, height, bits, image_size, colours):
    # BITMAPINFOHEADER, bottom-up rows, no compression, 2835 px/m (72 dpi).
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size,
                       2835, 2835, colours, colours)


def bmp24(pixels):
    """pixels: rows top to bottom of (r, g, b)."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        body += line
    head = _info_header(width, height, 24, len(body), 0)
    offset = 14 + len(head)
    return _file_header(offset, offset + len(body)) + head + bytes(body)


def bmp4(pixels, palette):
    """pixels: rows top to bottom of palette indices; palette: up to 16 (r, g, b)."""
    assert len(palette) <= 16
    height, width = len(pixels), len(pixels[0])
    stride = ((width + 1) // 2 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            assert 0 <= hi < len(palette) and 0 <= lo < len(palette)
            line.append((hi << 4) | lo)
        line += bytes(stride - len(line))
        body += line
    table = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * (16 - len(palette)):
        table += bytes((b, g, r, 0))
    head = _info_header(width, height, 4, len(body), 16)
    offset = 14 + len(head) + len(table)
    return _file_header(offset, offset + len(body)) + head + bytes(table) + bytes(body)


# --- AUDIOMETER ----------------------------------------------------------------------------

METER_W, METER_H = 15, 56
FRAME_DARK = (149, 149, 149)
FRAME_LIGHT = (248, 248, 248)
LIT_END, LIT_CENTRE = (90, 144, 213), (98, 183, 255)
UNLIT_END, UNLIT_CENTRE = (35, 35, 63), (38, 53, 84)
SEGMENT_LEFT, SEGMENT_RIGHT = 3, 11           # inclusive; centre column 7
SEGMENT_ROWS = [3 + 4 * k for k in range(13)]  # each segment is 2 rows tall


def gradient(end, centre, x):
    """Linear from the end colour at x 3 and x 11 to the centre colour at x 7, rounded."""
    mid = (SEGMENT_LEFT + SEGMENT_RIGHT) // 2
    half = mid - SEGMENT_LEFT
    d = abs(x - mid)
    return tuple((c * (half - d) + e * d + half // 2) // half for e, c in zip(end, centre))


def meter_half(end, centre):
    rows = [[(0, 0, 0)] * METER_W for _ in range(METER_H)]
    for y in range(METER_H):
        for x in range(METER_W):
            # Drawn like a sunken frame: dark top and left, light bottom and right; the
            # bottom-left corner ends light and the top-right corner dark.
            if y == METER_H - 1 or (x == METER_W - 1 and y > 0):
                rows[y][x] = FRAME_LIGHT
            elif y == 0 or x == 0:
                rows[y][x] = FRAME_DARK
    for top in SEGMENT_ROWS:
        for y in (top, top + 1):
            for x in range(SEGMENT_LEFT, SEGMENT_RIGHT + 1):
                rows[y][x] = gradient(end, centre, x)
    return rows


def audiometer():
    lit = meter_half(LIT_END, LIT_CENTRE)
    unlit = meter_half(UNLIT_END, UNLIT_CENTRE)
    return bmp24([lit[y] + unlit[y] for y in range(METER_H)])


# --- HPARAMETER and HPARAMETERKNOP ---------------------------------------------------------

# One palette for both 16-colour images.
PALETTE = [
    (0, 0, 0),          # 0 groove
    (255, 255, 255),    # 1 highlight edge
    (128, 128, 128),    # 2 shadow edge
    (232, 234, 237),    # 3 bar, upper rows
    (220, 223, 227),    # 4 bar, middle rows
    (206, 210, 216),    # 5 bar, lower rows
    (96, 100, 108),     # 6 grey knob outline
    (246, 247, 249),    # 7 grey knob light face
    (196, 200, 206),    # 8 grey knob face
    (168, 173, 181),    # 9 grey knob lower face
    (24, 72, 150),      # 10 blue knob outline
    (120, 182, 255),    # 11 blue knob light face
    (52, 128, 228),     # 12 blue knob face
    (36, 100, 196),     # 13 blue knob lower face
    (64, 70, 80),       # 14 grip line on the grey knob
    (214, 234, 255),    # 15 grip line on the blue knob
]

TRACK_W, TRACK_H = 26, 16


def bar_colour(y):
    return 3 if y <= 4 else (4 if y <= 10 else 5)


def track_column(y, kind):
    """One column of the bar: kind is 'edge_left', 'groove_start', 'groove',
    'groove_end', 'plain' or 'edge_right'."""
    if y == 0:
        return 2 if kind == 'edge_right' else 1
    if y == TRACK_H - 1:
        return 2
    if kind == 'edge_left':
        return 1
    if kind == 'edge_right':
        return 2
    if kind == 'plain':
        return bar_colour(y)
    # The groove sits in rows 6..9 with a sunken rim: shadow above and on its left end,
    # highlight below and on its right end.
    if kind == 'groove_start':
        return 2 if 5 <= y <= 10 and y != 10 else (1 if y == 10 else bar_colour(y))
    if kind == 'groove_end':
        return 1 if 5 <= y <= 10 else bar_colour(y)
    if y == 5:
        return 2
    if 6 <= y <= 9:
        return 0
    if y == 10:
        return 1
    return bar_colour(y)


def hparameter():
    kinds = (['edge_left', 'plain', 'plain', 'plain', 'plain', 'groove_start', 'groove', 'groove']
             + ['groove'] * 8                          # 8..15: stretched
             + ['plain', 'plain']                      # 16, 17: not used
             + ['groove', 'groove_end', 'plain', 'plain', 'plain', 'plain', 'plain', 'edge_right'])
    assert len(kinds) == TRACK_W
    return [[track_column(y, kinds[x]) for x in range(TRACK_W)] for y in range(TRACK_H)]


KNOB_W, KNOB_H = 10, 12


def knob(outline, light, face, low, grip):
    # The knob covers track rows 2..13; its cut corners show the bar behind it.
    rows = []
    for y in range(KNOB_H):
        row = []
        for x in range(KNOB_W):
            corner = (x in (0, KNOB_W - 1)) and (y in (0, KNOB_H - 1))
            if corner:
                row.append(bar_colour(y + 2))
            elif x in (0, KNOB_W - 1) or y in (0, KNOB_H - 1):
                row.append(outline)
            elif y == 1 or x == 1:
                row.append(light)
            elif y >= KNOB_H - 3:
                row.append(low)
            elif x == 4 and 3 <= y <= 8:
                row.append(grip)
            elif x == 5 and 3 <= y <= 8:
                row.append(light)
            else:
                row.append(face)
        rows.append(row)
    return rows


def hparameterknop():
    grey = knob(6, 7, 8, 9, 14)
    blue = knob(10, 11, 12, 13, 15)
    return [grey[y] + blue[y] for y in range(KNOB_H)]


# --- main ----------------------------------------------------------------------------------

def images():
    return {
        'AUDIOMETER.bmp': audiometer(),
        'HPARAMETER.bmp': bmp4(hparameter(), PALETTE),
        'HPARAMETERKNOP.bmp': bmp4(hparameterknop(), PALETTE),
    }


def main(argv):
    check = '--check' in argv[1:]
    status = 0
    for name, data in images().items():
        path = os.path.join(HERE, name)
        if check:
            try:
                with open(path, 'rb') as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                print(f'{name}: differs from what {os.path.basename(__file__)} draws', file=sys.stderr)
                status = 1
        else:
            with open(path, 'wb') as f:
                f.write(data)
    return status


if __name__ == '__main__':
    sys.exit(main(sys.argv))
