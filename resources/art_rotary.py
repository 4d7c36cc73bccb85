"""The rotary controls' pictures: the pan control's background and knob, and the eight knobs.

PANBACK.bmp     64 x 20, 24 bits: a dark sunken panel with a groove on rows 11..13 and a
                scale above it; the ticks sit where the knob's image (its reference column
                minus 3 to the column itself) shows the values -127, -96, ..., 0, ..., 127.
PANKNOP.bmp     4 x 11, 24 bits: the narrow blue knob, drawn at rows 7..17.
KNOP0..7.bmp    64 x 64, 24 bits: 2 x 2 cells of 32 x 32. Top row enabled, bottom row
                disabled; left the knob on a white surround, right its silhouette, white on
                black. The knob is a round cap centred on cell pixel (16, 15) (the control draws
                it one row lower, about the pointer's centre (16, 16)) with a dark skirt
                carrying a scale from -135 to 135 degrees. The styles differ in the scale's
                colour: 0 blue, 1 cyan, 2 green, 3 amber, 4 red, 5 violet, 6 silver, and 7 a
                blue cap with a white scale.
"""

import math

from make_artwork import bmp24, mix

# --- PANBACK and PANKNOP ----------------------------------------------------------------------

PAN_W, PAN_H = 64, 20
FRAME_DARK = (149, 149, 149)
FRAME_LIGHT = (248, 248, 248)
PANEL_UPPER, PANEL_LOWER = (22, 24, 31), (10, 11, 15)
GROOVE = [(4, 4, 6), (22, 24, 30), (58, 64, 76)]   # rows 11, 12, 13: shadow, floor, lip
TICK_LIT = (98, 183, 255)
TICK_END = (90, 144, 213)
TICK_DIM = (38, 53, 84)
KNOB_OUTLINE = (24, 72, 150)
KNOB_TOP, KNOB_BOTTOM = (150, 205, 255), (52, 128, 228)
KNOB_GRIP = (232, 244, 255)


def pan_position(value, width):
    """The knob's reference column for a value (the control's own rule)."""
    return math.trunc(value * (width - 8) / 255) + width // 2


def panback():
    rows = [[(0, 0, 0)] * PAN_W for _ in range(PAN_H)]
    for y in range(PAN_H):
        colour = mix(PANEL_UPPER, PANEL_LOWER, y / (PAN_H - 1))
        for x in range(PAN_W):
            # A sunken frame like the meter's: dark top and left, light bottom and right.
            if y == PAN_H - 1 or (x == PAN_W - 1 and y > 0):
                rows[y][x] = FRAME_LIGHT
            elif y == 0 or x == 0:
                rows[y][x] = FRAME_DARK
            else:
                rows[y][x] = tuple(int(round(c)) for c in colour)
    for dy, colour in enumerate(GROOVE):
        for x in range(2, PAN_W - 2):
            rows[11 + dy][x] = colour
    # The knob's image spans reference column - 3 .. column; its middle two columns mark.
    for value in (-127, -96, -64, -32, 0, 32, 64, 96, 127):
        ref = pan_position(value, PAN_W)
        if value == 0:
            colour, top = TICK_LIT, 2
        elif abs(value) == 127:
            colour, top = TICK_END, 3
        else:
            colour, top = TICK_DIM, 4
        for y in range(top, 6):
            for x in (ref - 2, ref - 1):
                rows[y][x] = colour
    return rows


def panknop():
    rows = []
    for y in range(11):
        row = []
        for x in range(4):
            if x in (0, 3) or y in (0, 10):
                row.append(KNOB_OUTLINE)
            elif y == 5:
                row.append(KNOB_GRIP)
            else:
                face = mix(KNOB_TOP, KNOB_BOTTOM, (y - 1) / 8)
                if x == 1:
                    face = mix(face, (255, 255, 255), 0.25)
                row.append(tuple(int(round(c)) for c in face))
        rows.append(row)
    return rows


# --- KNOP0..7 ---------------------------------------------------------------------------------

CELL = 32
CENTRE_X, CENTRE_Y = 16.5, 15.5        # the middle of cell pixel (16, 15)
RIM_R, SKIRT_R, GROOVE_R, CAP_R = 14.0, 13.2, 10.3, 9.6
RIM, RIM_LIT = (18, 19, 23), (96, 101, 110)
SKIRT_UPPER, SKIRT_LOWER = (50, 54, 62), (30, 32, 38)
CAP_GROOVE = (10, 11, 14)
CAP_DARK, CAP_LIGHT = (56, 60, 69), (132, 138, 150)
BLUE_CAP_DARK, BLUE_CAP_LIGHT = (22, 64, 138), (110, 176, 250)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
DISABLED_GREY = (96, 98, 103)

ACCENTS = [
    ((98, 183, 255), False),    # 0 blue
    ((64, 220, 232), False),    # 1 cyan
    ((96, 240, 112), False),    # 2 green
    ((255, 182, 48), False),    # 3 amber
    ((255, 88, 72), False),     # 4 red
    ((178, 134, 255), False),   # 5 violet
    ((214, 220, 228), False),   # 6 silver
    ((236, 244, 255), True),    # 7 white scale on a blue cap
]

SCALE = range(-135, 136, 27)


def knob_colour(x, y, accent, blue_cap):
    """The knob's colour at a point of the cell (continuous coordinates)."""
    dx, dy = x - CENTRE_X, y - CENTRE_Y
    r = math.hypot(dx, dy)
    lit = 0.5 - 0.5 * (dx + dy) / (math.sqrt(2) * max(r, 1e-9))   # 1 towards the upper left
    if r > SKIRT_R:
        return mix(RIM, RIM_LIT, max(0.0, -dy / max(r, 1e-9)) * 0.6)
    if r > GROOVE_R:
        base = mix(SKIRT_UPPER, SKIRT_LOWER, (dy + SKIRT_R) / (2 * SKIRT_R))
        angle = math.degrees(math.atan2(dx, -dy))   # 0 up, clockwise positive
        for mark in SCALE:
            long_mark = mark in (-135, 0, 135)
            inner = 10.8 if long_mark else 11.4
            if inner <= r <= 12.8 and abs(math.radians(angle - mark)) * r < 0.6:
                return accent
        return base
    if r > CAP_R:
        return CAP_GROOVE
    dark, light = (BLUE_CAP_DARK, BLUE_CAP_LIGHT) if blue_cap else (CAP_DARK, CAP_LIGHT)
    face = mix(dark, light, lit)
    # A soft sheen towards the upper left.
    sheen = max(0.0, 1 - math.hypot(dx + 3.5, dy + 3.5) / 4.5)
    return mix(face, WHITE, 0.35 * sheen)


def knob_cells(accent, blue_cap):
    """(picture, mask) of the enabled knob, 32 x 32 each."""
    picture = [[WHITE] * CELL for _ in range(CELL)]
    mask = [[BLACK] * CELL for _ in range(CELL)]
    for py in range(CELL):
        for px in range(CELL):
            samples = [(px + (sx + 0.5) / 4, py + (sy + 0.5) / 4) for sy in range(4) for sx in range(4)]
            inside = [s for s in samples if math.hypot(s[0] - CENTRE_X, s[1] - CENTRE_Y) <= RIM_R]
            if len(inside) < 8:
                continue   # the silhouette is hard-edged: the screen shows through unchanged
            total = [0.0, 0.0, 0.0]
            for sx, sy in samples:
                inside_rim = math.hypot(sx - CENTRE_X, sy - CENTRE_Y) <= RIM_R
                colour = knob_colour(sx, sy, accent, blue_cap) if inside_rim else RIM
                total = [t + c for t, c in zip(total, colour)]
            picture[py][px] = tuple(min(254, int(round(t / 16))) for t in total)
            mask[py][px] = WHITE
    return picture, mask


def disabled(picture):
    """Grey and flatter; the white surround stays white."""
    out = []
    for row in picture:
        line = []
        for px in row:
            if px == WHITE:
                line.append(px)
                continue
            luma = 0.299 * px[0] + 0.587 * px[1] + 0.114 * px[2]
            grey = mix((luma, luma, luma), DISABLED_GREY, 0.45)
            line.append(tuple(int(round(c)) for c in grey))
        out.append(line)
    return out


def knop(accent, blue_cap):
    picture, mask = knob_cells(accent, blue_cap)
    greyed = disabled(picture)
    top = [picture[y] + mask[y] for y in range(CELL)]
    bottom = [greyed[y] + mask[y] for y in range(CELL)]
    return top + bottom


def images():
    drawn = {
        'PANBACK.bmp': bmp24(panback()),
        'PANKNOP.bmp': bmp24(panknop()),
    }
    for n, (accent, blue_cap) in enumerate(ACCENTS):
        drawn[f'KNOP{n}.bmp'] = bmp24(knop(accent, blue_cap))
    return drawn
