"""The display controls' bitmaps, imported by make_artwork.py.

AUDIOINDICATOR.bmp   100 x 30, 24 bits: the lit bar (rows 0..14) above the unlit bar
                     (rows 15..29); each picture is the meter turned on its side: a sunken
                     frame, a black interior and 24 segments 2 columns wide at x 3, 7, ..., 95
                     (rows 3..11), in a vertical gradient from the ends to the centre row 7
VIDEOOSZIBACK.bmp    135 x 128, 24 bits: a dark screen with a dotted graticule; the trace
                     spans x 4..130 and rows 0..127 (sample 128 at the top, 1 at the bottom,
                     64 on the bright centre line)
"""

from make_artwork import Canvas, bmp24

# The meter's colours, so the indicator reads as its horizontal sibling.
FRAME_DARK = (149, 149, 149)
FRAME_LIGHT = (248, 248, 248)
LIT_END, LIT_CENTRE = (90, 144, 213), (98, 183, 255)
UNLIT_END, UNLIT_CENTRE = (35, 35, 63), (38, 53, 84)

# --- AUDIOINDICATOR ---------------------------------------------------------------------------

INDICATOR_W, INDICATOR_H = 100, 15
SEGMENT_TOP, SEGMENT_BOTTOM = 3, 11                     # inclusive; centre row 7
SEGMENT_COLUMNS = [3 + 4 * k for k in range(24)]        # each segment is 2 columns wide


def segment_colour(end, centre, y):
    """Linear from the end colour at rows 3 and 11 to the centre colour at row 7, rounded."""
    mid = (SEGMENT_TOP + SEGMENT_BOTTOM) // 2
    half = mid - SEGMENT_TOP
    d = abs(y - mid)
    return tuple((c * (half - d) + e * d + half // 2) // half for e, c in zip(end, centre))


def indicator_picture(end, centre):
    rows = [[(0, 0, 0)] * INDICATOR_W for _ in range(INDICATOR_H)]
    for y in range(INDICATOR_H):
        for x in range(INDICATOR_W):
            # A sunken frame: dark top and left, light bottom and right; the bottom-left
            # corner ends light and the top-right corner dark.
            if y == INDICATOR_H - 1 or (x == INDICATOR_W - 1 and y > 0):
                rows[y][x] = FRAME_LIGHT
            elif y == 0 or x == 0:
                rows[y][x] = FRAME_DARK
    for left in SEGMENT_COLUMNS:
        for x in (left, left + 1):
            for y in range(SEGMENT_TOP, SEGMENT_BOTTOM + 1):
                rows[y][x] = segment_colour(end, centre, y)
    return rows


def audioindicator():
    return bmp24(indicator_picture(LIT_END, LIT_CENTRE) + indicator_picture(UNLIT_END, UNLIT_CENTRE))


# --- VIDEOOSZIBACK ----------------------------------------------------------------------------

OSZI_W, OSZI_H = 135, 128
TRACE_LEFT, TRACE_RIGHT = 4, 130
CENTRE_X, CENTRE_Y = 67, 64                             # sample 64 lies on the centre row
SCREEN_UPPER, SCREEN_LOWER = (14, 22, 34), (7, 11, 18)
GRID = (34, 54, 82)
AXIS = (58, 92, 138)
TICK = (72, 112, 164)
BEZEL = (28, 32, 40)
BEZEL_SHADOW = (4, 6, 9)
BEZEL_LIGHT = (84, 94, 110)


def videooszi_back():
    canvas = Canvas(OSZI_W, OSZI_H, SCREEN_LOWER)
    canvas.gradient(0, 0, OSZI_W, OSZI_H, SCREEN_UPPER, SCREEN_LOWER)
    # A faint glow in the middle of the screen, as on a phosphor tube.
    for y in range(OSZI_H):
        for x in range(OSZI_W):
            dx, dy = (x - CENTRE_X) / OSZI_W, (y - CENTRE_Y) / OSZI_H
            canvas.blend(x, y, (30, 48, 70), max(0.0, 0.35 - 1.2 * (dx * dx + dy * dy)))
    # Dotted graticule: six divisions of 21 columns across the trace, eight of 16 rows.
    grid_columns = [TRACE_LEFT + 21 * k for k in range(7)]
    grid_rows = [CENTRE_Y + 16 * k for k in range(-4, 4)]
    for x in grid_columns:
        for y in range(0, OSZI_H, 2):
            canvas.blend(x, y, GRID)
    for y in grid_rows:
        for x in range(TRACE_LEFT, TRACE_RIGHT + 1, 2):
            canvas.blend(x, y, GRID)
    # The centre cross, solid, with a tick every 4 pixels.
    for x in range(TRACE_LEFT, TRACE_RIGHT + 1):
        canvas.blend(x, CENTRE_Y, AXIS)
    for y in range(OSZI_H):
        canvas.blend(CENTRE_X, y, AXIS)
    for x in range(TRACE_LEFT, TRACE_RIGHT + 1, 4):
        for y in (CENTRE_Y - 1, CENTRE_Y + 1):
            canvas.blend(x, y, TICK, 0.8)
    for y in range(0, OSZI_H, 4):
        for x in (CENTRE_X - 1, CENTRE_X + 1):
            canvas.blend(x, y, TICK, 0.8)
    # The margins beside the trace are the bezel, with a sunken edge.
    canvas.fill(0, 0, TRACE_LEFT - 1, OSZI_H, BEZEL)
    canvas.fill(TRACE_RIGHT + 2, 0, OSZI_W, OSZI_H, BEZEL)
    canvas.fill(TRACE_LEFT - 1, 0, TRACE_LEFT, OSZI_H, BEZEL_SHADOW)
    canvas.fill(TRACE_RIGHT + 1, 0, TRACE_RIGHT + 2, OSZI_H, BEZEL_LIGHT)
    return canvas.pixels()


def images():
    return {
        'AUDIOINDICATOR.bmp': audioindicator(),
        'VIDEOOSZIBACK.bmp': bmp24(videooszi_back()),
    }
