"""The vertical slider's and the fader's bitmaps, drawn for make_artwork.py.

VPARAMETER.bmp      16 x 26, 4 bits: the vertical twin of HPARAMETER, a light bar with a
                    sunken black groove in columns 6..9 (top end rows 0..7, stretched middle
                    rows 8..15, bottom end rows 18..25; rows 16 and 17 are not drawn). Drawn
                    at the top and bottom of a slider h rows tall, the groove runs from y 6 to
                    y h - 6, the thumb line's travel.
VPARAMETERKNOP.bmp  24 x 10, 4 bits: the grey thumb (x 0..11) beside the blue one (x 12..23);
                    row 6 is the thumb's line, marked by a grip.
FADERBACK.bmp       24 x 100, 24 bits: a dark panel in a sunken frame, a black slot down the
                    knob's path (centre line 10..90) and a blue scale on the right, the
                    reference level of the right button brighter.
FADERKNOP.bmp       14 x 16, 24 bits: a grey fader cap with ridges and a blue centre line
                    on row 8, the knob's centre line.
"""

from make_artwork import PALETTE, bmp4, bmp24, mix

# --- VPARAMETER and VPARAMETERKNOP -----------------------------------------------------------

TRACK_W, TRACK_H = 16, 26
GROOVE_LEFT, GROOVE_RIGHT = 6, 9          # inclusive
GROOVE_TOP, GROOVE_BOTTOM = 6, 20         # rows of the top end and of the bottom end


def bar_colour(x):
    """The bar's shading runs across it, light on the left: palette 3, 4, 5."""
    return 3 if x <= 4 else (4 if x <= 10 else 5)


def track_pixel(x, y):
    if x == TRACK_W - 1 or y == TRACK_H - 1:
        return 2                                   # shadow edge, right and bottom
    if x == 0 or y == 0:
        return 1                                   # highlight edge, left and top
    # The groove with a sunken rim: shadow above and on its left, highlight below and on its right.
    top, bottom = GROOVE_TOP, GROOVE_BOTTOM
    if top <= y <= bottom and GROOVE_LEFT <= x <= GROOVE_RIGHT:
        return 0
    if top - 1 <= y <= bottom + 1 and GROOVE_LEFT - 1 <= x <= GROOVE_RIGHT + 1:
        if y == bottom + 1 or x == GROOVE_RIGHT + 1:
            return 1
        return 2
    return bar_colour(x)


def vparameter():
    rows = [[track_pixel(x, y) for x in range(TRACK_W)] for y in range(TRACK_H)]
    # Rows 16 and 17 are never drawn; keep them plain bar so the picture reads as one piece.
    return rows


THUMB_W, THUMB_H = 12, 10
THUMB_LINE = 6       # the thumb's line, 6 rows below the image's top
THUMB_LEFT = 2       # track column under the thumb's left edge


def thumb(outline, light, face, low, grip):
    rows = []
    for y in range(THUMB_H):
        row = []
        for x in range(THUMB_W):
            corner = (x in (0, THUMB_W - 1)) and (y in (0, THUMB_H - 1))
            if corner:
                row.append(bar_colour(x + THUMB_LEFT))   # the cut corners show the bar
            elif x in (0, THUMB_W - 1) or y in (0, THUMB_H - 1):
                row.append(outline)
            elif y == 1 or x == 1:
                row.append(light)
            elif 3 <= x <= 8 and y == THUMB_LINE:
                row.append(grip)
            elif 3 <= x <= 8 and y == THUMB_LINE + 1:
                row.append(light)
            elif x >= THUMB_W - 3:
                row.append(low)
            else:
                row.append(face)
        rows.append(row)
    return rows


def vparameterknop():
    grey = thumb(6, 7, 8, 9, 14)
    blue = thumb(10, 11, 12, 13, 15)
    return [grey[y] + blue[y] for y in range(THUMB_H)]


# --- FADERBACK and FADERKNOP -----------------------------------------------------------------

FADER_W, FADER_H = 24, 100
FRAME_DARK = (149, 149, 149)       # the meter's sunken frame
FRAME_LIGHT = (248, 248, 248)
PANEL_TOP, PANEL_BOTTOM = (34, 37, 43), (22, 24, 29)
SLOT = (0, 0, 0)
SLOT_SHADOW = (10, 11, 14)
SLOT_LIGHT = (66, 71, 80)
SCALE_MAJOR = (98, 183, 255)       # the meter's lit blue
SCALE_MINOR = (52, 84, 126)
SCALE_REFERENCE = (214, 234, 255)
KNOB_LEFT, KNOB_W, KNOB_H = 4, 14, 16
SLOT_LEFT, SLOT_RIGHT = 10, 11     # under the knob's middle columns
MARGIN = 10                        # the knob's centre line keeps 10 rows from either end
RESET_TRAVEL = 162


def travel_row(travel):
    """The centre line's row for a travel word, as the fader places it."""
    return (FADER_H - MARGIN) - travel * (FADER_H - 2 * MARGIN) // 256


def panel(y):
    return mix(PANEL_TOP, PANEL_BOTTOM, y / (FADER_H - 1))


def faderback():
    rows = [[panel(y) for _ in range(FADER_W)] for y in range(FADER_H)]
    # The slot runs a little past both ends of the centre line's travel.
    for y in range(MARGIN - 3, FADER_H - MARGIN + 4):
        rows[y][SLOT_LEFT - 1] = SLOT_SHADOW
        rows[y][SLOT_LEFT] = SLOT
        rows[y][SLOT_RIGHT] = SLOT
        rows[y][SLOT_RIGHT + 1] = SLOT_LIGHT
    for y in (MARGIN - 4, FADER_H - MARGIN + 4):
        for x in range(SLOT_LEFT - 1, SLOT_RIGHT + 2):
            rows[y][x] = SLOT_SHADOW if y < FADER_H // 2 else SLOT_LIGHT
    # The scale right of the knob: long ticks every quarter of the travel, short ones between,
    # the reference level of the right button brightest, with a mark on the left as well.
    for travel in range(0, 257, 32):
        y = travel_row(travel)
        major = travel % 64 == 0
        for x in range(19, 23 if major else 21):
            rows[y][x] = SCALE_MAJOR if major else SCALE_MINOR
    y = travel_row(RESET_TRAVEL)
    for x in range(18, 23):
        rows[y][x] = SCALE_REFERENCE
    for x in range(1, 3):
        rows[y][x] = SCALE_REFERENCE
    # A sunken frame like the meter's: dark top and left, light bottom and right.
    for y in range(FADER_H):
        for x in range(FADER_W):
            if y == FADER_H - 1 or (x == FADER_W - 1 and y > 0):
                rows[y][x] = FRAME_LIGHT
            elif y == 0 or x == 0:
                rows[y][x] = FRAME_DARK
    return [[tuple(int(round(c)) for c in px) for px in row] for row in rows]


CAP_RIM = (16, 17, 19)
CAP_TOP, CAP_BOTTOM = (214, 218, 224), (112, 117, 125)
CAP_RIDGE_DARK = (84, 88, 96)
CAP_RIDGE_LIGHT = (236, 238, 242)
CAP_LINE = (98, 183, 255)
CAP_LINE_SHADOW = (20, 48, 92)
CAP_CENTRE = 8       # the knob's centre line, 8 rows below the image's top


def faderknop():
    rows = []
    for y in range(KNOB_H):
        # Corners show the panel behind them (the knob's columns hold no slot there).
        background = panel(y)
        body = mix(CAP_TOP, CAP_BOTTOM, y / (KNOB_H - 1))
        row = []
        for x in range(KNOB_W):
            corner = (x in (0, KNOB_W - 1)) and (y in (0, KNOB_H - 1))
            if corner:
                colour = background
            elif x in (0, KNOB_W - 1) or y in (0, KNOB_H - 1):
                colour = CAP_RIM
            elif y == CAP_CENTRE:
                colour = CAP_LINE
            elif y == CAP_CENTRE - 1:
                colour = CAP_LINE_SHADOW
            elif y in (3, 5, 11, 13):
                colour = CAP_RIDGE_DARK        # grip ridges
            elif y in (2, 4, 10, 12):
                colour = CAP_RIDGE_LIGHT if y < CAP_CENTRE else mix(CAP_RIDGE_LIGHT, body, 0.45)
            else:
                colour = body
            if x == 1 and not corner and 0 < y < KNOB_H - 1 and y not in (CAP_CENTRE - 1, CAP_CENTRE):
                colour = mix(colour, CAP_RIDGE_LIGHT, 0.5)     # lit left edge
            if x == KNOB_W - 2 and not corner and 0 < y < KNOB_H - 1 and y not in (CAP_CENTRE - 1, CAP_CENTRE):
                colour = mix(colour, CAP_RIM, 0.35)            # shaded right edge
            row.append(colour)
        rows.append(row)
    return [[tuple(int(round(c)) for c in px) for px in row] for row in rows]


def images():
    return {
        'VPARAMETER.bmp': bmp4(vparameter(), PALETTE),
        'VPARAMETERKNOP.bmp': bmp4(vparameterknop(), PALETTE),
        'FADERBACK.bmp': bmp24(faderback()),
        'FADERKNOP.bmp': bmp24(faderknop()),
    }
