#!/usr/bin/env python3
"""Draws the controls' and the player's bitmaps and icons and writes them beside this script.

    python3 resources/make_artwork.py           # (re)writes the images
    python3 resources/make_artwork.py --check   # exit 1 if a committed image differs

Standard library only; the output is the same byte for byte on every run.

AUDIOMETER.bmp       30 x 56, 24 bits: the lit meter (x 0..14) beside the unlit one (x 15..29)
HPARAMETER.bmp       26 x 16, 4 bits: the track (left end 0..7, stretched middle 8..15,
                     right end 18..25; groove rows 6..9)
HPARAMETERKNOP.bmp   20 x 12, 4 bits: the grey knob (x 0..9) beside the blue knob (x 10..19)

The player's buttons, four equal cells each, top to bottom: normal, pressed, checked, disabled.
B_PLAY.bmp           66 x 72, 24 bits: a play triangle; checked, it is lit green (playing)
B_STOP.bmp           24 x 64, 4 bits: a square; checked, lit amber
B_REW.bmp, B_FF.bmp  24 x 64, 4 bits: two triangles pointing left / right; checked, lit amber
B_PAUSE.bmp          24 x 72, 4 bits: two bars; checked, lit amber
B_SWITCH1..64.bmp    24 x 76, 24 bits: the channel number on a dark key (off); checked, the
                     key is lit amber (on). The key spans columns 2..21, the button face the rest;
                     numbers of two digits stand side by side with a column between them.
APPL.ico, APPLSM.ico 32 x 32 and 16 x 16, 32 bits with alpha: level-meter bars on a dark panel
"""

import glob
import importlib
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


# --- Drawing on an RGB canvas ----------------------------------------------------------------

def mix(a, b, t):
    """a blended towards b by t (0..1)."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """Rows top to bottom of float (r, g, b); shapes are anti-aliased by 4 x 4 sampling."""

    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.rows = [[tuple(colour)] * width for _ in range(height)]

    def blend(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.width and 0 <= y < self.height and alpha > 0:
            self.rows[y][x] = mix(self.rows[y][x], colour, min(alpha, 1.0))

    def fill(self, left, top, right, bottom, colour):
        """Pixels left..right-1, top..bottom-1."""
        for y in range(top, bottom):
            for x in range(left, right):
                self.blend(x, y, colour)

    def gradient(self, left, top, right, bottom, upper, lower):
        span = max(bottom - top - 1, 1)
        for y in range(top, bottom):
            colour = mix(upper, lower, (y - top) / span)
            for x in range(left, right):
                self.blend(x, y, colour)

    def coverage(self, points):
        """How much of each pixel a convex polygon covers (pixel x spans x .. x+1)."""
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        edges = list(zip(points, points[1:] + points[:1]))
        cover = [[0.0] * self.width for _ in range(self.height)]
        for y in range(max(int(min(ys)), 0), min(int(max(ys)) + 1, self.height)):
            for x in range(max(int(min(xs)), 0), min(int(max(xs)) + 1, self.width)):
                inside = 0
                for sy in range(4):
                    for sx in range(4):
                        px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
                        sides = [(bx - ax) * (py - ay) - (by - ay) * (px - ax) for (ax, ay), (bx, by) in edges]
                        if all(s >= 0 for s in sides) or all(s <= 0 for s in sides):
                            inside += 1
                cover[y][x] = inside / 16
        return cover

    def paint(self, cover, colour, alpha=1.0):
        for y, row in enumerate(cover):
            for x, amount in enumerate(row):
                self.blend(x, y, colour, alpha * amount)

    def polygon(self, points, colour, alpha=1.0):
        self.paint(self.coverage(points), colour, alpha)

    def glyph(self, rows, left, top, colour):
        for dy, line in enumerate(rows):
            for dx, mark in enumerate(line):
                if mark == '#':
                    self.blend(left + dx, top + dy, colour)

    def pixels(self):
        return [[tuple(int(round(c)) for c in px) for px in row] for row in self.rows]


def blurred(cover):
    """A 3 x 3 box blur of a coverage grid; outside counts as 0."""
    height, width = len(cover), len(cover[0])
    return [[sum(cover[v][u] for v in range(max(y - 1, 0), min(y + 2, height))
                 for u in range(max(x - 1, 0), min(x + 2, width))) / 9
             for x in range(width)] for y in range(height)]


def stack(cells):
    """Cells of equal width, top to bottom, as one image's rows."""
    return [row for cell in cells for row in cell]


def nearest(palette, colour):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def quantise(pixels, palette):
    return [[nearest(palette, px) for px in row] for row in pixels]


# --- Button artwork ---------------------------------------------------------------------------
#
# Each button image holds four cells stacked top to bottom: normal, pressed, checked,
# disabled. The button class centres a cell in the button and fills around it with
# BUTTON_FACE. The cells are dark hardware-like keys: a black rim, a one-pixel bevel
# (light top and left when raised, dark when pressed) and a light symbol; pressed moves the
# symbol one pixel right and down; checked lights the symbol (play: green, the others:
# amber) or, on a channel switch, the whole key amber; disabled is flat with a dim symbol.

BUTTON_FACE = (64, 66, 70)
RIM = (16, 17, 19)
BEVEL_LIGHT = (142, 146, 152)
BEVEL_DARK = (36, 38, 41)
KEY_UPPER, KEY_LOWER = (98, 102, 108), (70, 73, 78)
PRESSED_FACE = (56, 58, 62)
SYMBOL = (228, 231, 235)
SYMBOL_SHADOW = (28, 29, 32)
PLAY_LIT = (96, 240, 112)
AMBER = (255, 182, 48)
DISABLED_FACE = (78, 80, 84)
DISABLED_EDGE = (58, 60, 63)
DISABLED_SYMBOL = (112, 115, 120)
DISABLED_ETCH = (100, 103, 108)

STATES = ('normal', 'pressed', 'checked', 'disabled')


def key(canvas, left, top, right, bottom, state):
    """The key's rim, bevel and face in the pixels left..right-1, top..bottom-1."""
    canvas.fill(left, top, right, bottom, RIM)
    inner = (left + 1, top + 1, right - 1, bottom - 1)
    if state == 'disabled':
        canvas.fill(*inner, DISABLED_EDGE)
        canvas.fill(left + 2, top + 2, right - 2, bottom - 2, DISABLED_FACE)
        return
    canvas.fill(*inner, BEVEL_DARK)
    # Light top and left when raised; pressed and checked keys are sunk, light bottom and right.
    if state == 'normal':
        canvas.fill(left + 1, top + 1, right - 1, top + 2, BEVEL_LIGHT)
        canvas.fill(left + 1, top + 1, left + 2, bottom - 1, BEVEL_LIGHT)
        canvas.gradient(left + 2, top + 2, right - 2, bottom - 2, KEY_UPPER, KEY_LOWER)
    else:
        canvas.fill(left + 2, bottom - 2, right - 1, bottom - 1, mix(BEVEL_LIGHT, PRESSED_FACE, 0.5))
        canvas.fill(right - 2, top + 2, right - 1, bottom - 1, mix(BEVEL_LIGHT, PRESSED_FACE, 0.5))
        canvas.fill(left + 2, top + 2, right - 2, bottom - 2, PRESSED_FACE)


def symbol(canvas, shapes, state, lit, glow):
    """shapes: polygons (lists of points) drawn in the state's colours."""
    shift = 0 if state in ('normal', 'disabled') else 1
    moved = [[(x + shift, y + shift) for x, y in shape] for shape in shapes]
    if state == 'disabled':
        for shape in moved:
            canvas.polygon([(x + 1, y + 1) for x, y in shape], DISABLED_ETCH)
        for shape in moved:
            canvas.polygon(shape, DISABLED_SYMBOL)
        return
    if state == 'checked':
        # A soft glow around the lit symbol, where the colours allow it.
        if glow:
            for shape in moved:
                canvas.paint(blurred(blurred(canvas.coverage(shape))), lit, 0.7)
        for shape in moved:
            canvas.polygon(shape, lit)
        return
    for shape in moved:
        canvas.polygon([(x + 1, y + 1) for x, y in shape], SYMBOL_SHADOW, 0.8)
    for shape in moved:
        canvas.polygon(shape, SYMBOL)


def transport_image(width, cell_height, shapes, lit, glow=False):
    cells = []
    for state in STATES:
        canvas = Canvas(width, cell_height, BUTTON_FACE)
        key(canvas, 0, 0, width, cell_height, state)
        symbol(canvas, shapes, state, lit, glow)
        cells.append(canvas.pixels())
    return stack(cells)


def right_triangle(left, top, width, height):
    return [(left, top), (left + width, top + height / 2), (left, top + height)]


def left_triangle(left, top, width, height):
    return [(left + width, top), (left, top + height / 2), (left + width, top + height)]


def b_play():
    # 66 x 18 cells; the triangle's box (x 29..38, y 4..14) sits about the cell's middle.
    return transport_image(66, 18, [right_triangle(29, 4, 9, 10)], PLAY_LIT, glow=True)


def b_stop():
    return transport_image(24, 16, [[(8, 4), (16, 4), (16, 12), (8, 12)]], AMBER)


def b_rew():
    return transport_image(24, 16, [left_triangle(5, 4, 7, 8), left_triangle(11, 4, 7, 8)], AMBER)


def b_ff():
    return transport_image(24, 16, [right_triangle(6, 4, 7, 8), right_triangle(12, 4, 7, 8)], AMBER)


def b_pause():
    return transport_image(24, 18, [[(8, 4), (11, 4), (11, 14), (8, 14)],
                                    [(13, 4), (16, 4), (16, 14), (13, 14)]], AMBER)


# The 16 colours of the four-bit buttons: the key's own colours and the in-between tones of
# the anti-aliased symbols; every drawn pixel is stored as the nearest of them.
TRANSPORT_PALETTE = [
    RIM, BEVEL_LIGHT, BEVEL_DARK, KEY_UPPER, KEY_LOWER, PRESSED_FACE, SYMBOL, SYMBOL_SHADOW,
    AMBER, DISABLED_FACE, DISABLED_EDGE, DISABLED_SYMBOL,
    mix(BEVEL_LIGHT, PRESSED_FACE, 0.5),
    mix(mix(KEY_UPPER, KEY_LOWER, 0.5), SYMBOL, 0.5),
    mix(PRESSED_FACE, AMBER, 0.3),
    mix(PRESSED_FACE, AMBER, 0.6),
]
TRANSPORT_PALETTE = [tuple(int(round(c)) for c in colour) for colour in TRANSPORT_PALETTE]


# Channel switches: 24 x 19 cells of which the button shows about the middle 20 columns, so
# the key spans columns 2..21 and the two columns each side are the button face.

DIGITS = {
    '1': ['..##..', '.###..', '####..', '..##..', '..##..', '..##..', '..##..', '..##..', '######'],
    '2': ['.####.', '##..##', '....##', '...##.', '..##..', '.##...', '##....', '##....', '######'],
    '3': ['.####.', '##..##', '....##', '..###.', '....##', '....##', '....##', '##..##', '.####.'],
    '4': ['...##.', '..###.', '.####.', '##.##.', '##.##.', '######', '...##.', '...##.', '...##.'],
    '5': ['######', '##....', '##....', '#####.', '....##', '....##', '....##', '##..##', '.####.'],
    '6': ['..###.', '.##...', '##....', '#####.', '##..##', '##..##', '##..##', '##..##', '.####.'],
    '7': ['######', '....##', '...##.', '...##.', '..##..', '..##..', '.##...', '.##...', '.##...'],
    '8': ['.####.', '##..##', '##..##', '.####.', '##..##', '##..##', '##..##', '##..##', '.####.'],
    '9': ['.####.', '##..##', '##..##', '##..##', '.#####', '....##', '....##', '...##.', '.###..'],
    '0': ['.####.', '##..##', '##..##', '##.###', '######', '###.##', '##..##', '##..##', '.####.'],
}

SWITCH_CHANNELS = 64   # a switch shows the number of the channel it controls, 1 to 64


def number_glyph(text):
    """The digits of text side by side, one blank column between them."""
    return ['.'.join(DIGITS[d][row] for d in text) for row in range(len(DIGITS[text[0]]))]

SWITCH_W, SWITCH_CELL_H = 24, 19
SWITCH_OFF_UPPER, SWITCH_OFF_LOWER = (70, 73, 78), (48, 50, 54)
SWITCH_DIGIT_OFF = (200, 204, 210)
SWITCH_ON_UPPER, SWITCH_ON_LOWER = (255, 214, 110), (240, 150, 24)
SWITCH_ON_EDGE = (150, 86, 8)
SWITCH_DIGIT_ON = (64, 34, 0)


def switch_cell(digit, state):
    canvas = Canvas(SWITCH_W, SWITCH_CELL_H, BUTTON_FACE)
    left, right = 2, SWITCH_W - 2
    glyph = number_glyph(digit)
    gx, gy = left + (right - left - len(glyph[0])) // 2, (SWITCH_CELL_H - len(glyph)) // 2
    if state == 'checked':
        # Lit: a bright amber key with a dark digit, sunk into the panel.
        canvas.fill(left, 0, right, SWITCH_CELL_H, RIM)
        canvas.fill(left + 1, 1, right - 1, SWITCH_CELL_H - 1, SWITCH_ON_EDGE)
        canvas.gradient(left + 2, 2, right - 1, SWITCH_CELL_H - 1, SWITCH_ON_UPPER, SWITCH_ON_LOWER)
        canvas.glyph(glyph, gx + 1, gy + 1, SWITCH_DIGIT_ON)
        return canvas.pixels()
    key(canvas, left, 0, right, SWITCH_CELL_H, state)
    if state == 'normal':
        canvas.gradient(left + 2, 2, right - 2, SWITCH_CELL_H - 2, SWITCH_OFF_UPPER, SWITCH_OFF_LOWER)
        canvas.glyph(glyph, gx + 1, gy + 1, SYMBOL_SHADOW)
        canvas.glyph(glyph, gx, gy, SWITCH_DIGIT_OFF)
    elif state == 'pressed':
        canvas.fill(left + 2, 2, right - 2, SWITCH_CELL_H - 2, SWITCH_OFF_LOWER)
        canvas.glyph(glyph, gx + 1, gy + 1, mix(SWITCH_DIGIT_OFF, SWITCH_OFF_LOWER, 0.2))
    else:
        canvas.glyph(glyph, gx + 1, gy + 1, DISABLED_ETCH)
        canvas.glyph(glyph, gx, gy, DISABLED_SYMBOL)
    return canvas.pixels()


def b_switch(digit):
    return stack([switch_cell(digit, state) for state in STATES])


# --- Icons ---------------------------------------------------------------------------------

def ico32(pixels):
    """pixels: rows top to bottom of (r, g, b, a); one 32-bit image with its AND mask."""
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    head = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = head + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


ICON_PANEL = (22, 26, 34)
ICON_RIM = (110, 118, 132)
ICON_BAR_LOW, ICON_BAR_HIGH = (52, 128, 228), (120, 196, 255)
ICON_PEAK = (255, 182, 48)


def rounded_coverage(x, y, size, radius):
    """How much of pixel (x, y) lies inside a size x size square with rounded corners."""
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, radius), size - radius)
            cy = min(max(py, radius), size - radius)
            if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius:
                inside += 1
    return inside / 16


def icon(size, bars):
    """A dark rounded panel with level-meter bars; bars: (left, width, height) in pixels."""
    radius = size / 6
    rim = max(1, size // 16)
    canvas = Canvas(size, size, ICON_PANEL)
    for y in range(size):
        for x in range(size):
            # The rim is the part of the outer square outside the inner one.
            outer = rounded_coverage(x, y, size, radius)
            inner = rounded_coverage(x - rim, y - rim, size - 2 * rim, radius - rim)
            if outer > 0 and inner < 1:
                canvas.blend(x, y, ICON_RIM, 1 - inner)
    bottom = size - 2 * rim - size // 8
    for left, width, height in bars:
        top = bottom - height
        canvas.gradient(left, top, left + width, bottom, ICON_BAR_HIGH, ICON_BAR_LOW)
        canvas.fill(left, top, left + width, top + max(1, size // 16), ICON_PEAK)
    pixels = canvas.pixels()
    rgba = []
    for y in range(size):
        row = []
        for x in range(size):
            alpha = int(round(255 * rounded_coverage(x, y, size, radius)))
            row.append(pixels[y][x] + (alpha,) if alpha else (0, 0, 0, 0))
        rgba.append(row)
    return rgba


def appl_icon():
    heights = (10, 16, 21, 13, 18, 8)
    return icon(32, [(5 + 4 * i, 3, h) for i, h in enumerate(heights)])


def applsm_icon():
    heights = (5, 9, 7, 4)
    return icon(16, [(2 + 3 * i, 2, h) for i, h in enumerate(heights)])


# --- main ----------------------------------------------------------------------------------

def images():
    drawn = {
        'AUDIOMETER.bmp': audiometer(),
        'HPARAMETER.bmp': bmp4(hparameter(), PALETTE),
        'HPARAMETERKNOP.bmp': bmp4(hparameterknop(), PALETTE),
        'B_PLAY.bmp': bmp24(b_play()),
        'B_STOP.bmp': bmp4(quantise(b_stop(), TRANSPORT_PALETTE), TRANSPORT_PALETTE),
        'B_REW.bmp': bmp4(quantise(b_rew(), TRANSPORT_PALETTE), TRANSPORT_PALETTE),
        'B_FF.bmp': bmp4(quantise(b_ff(), TRANSPORT_PALETTE), TRANSPORT_PALETTE),
        'B_PAUSE.bmp': bmp4(quantise(b_pause(), TRANSPORT_PALETTE), TRANSPORT_PALETTE),
        **{f'B_SWITCH{n}.bmp': bmp24(b_switch(str(n))) for n in range(1, SWITCH_CHANNELS + 1)},
        'APPL.ico': ico32(appl_icon()),
        'APPLSM.ico': ico32(applsm_icon()),
    }
    # The further controls' pictures live in art_*.py beside this script, each with its own
    # images() built from the writers above.
    sys.path.insert(0, HERE)
    for module_file in sorted(glob.glob(os.path.join(HERE, 'art_*.py'))):
        module = importlib.import_module(os.path.splitext(os.path.basename(module_file))[0])
        drawn.update(module.images())
    return drawn


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
