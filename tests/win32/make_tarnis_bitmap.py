#!/usr/bin/env python3
"""Writes the test picture of the bitmap-button tests: four 24x16 cells stacked top to bottom
(normal, pressed, checked, disabled), each a triangle on its own background, 24 bits per pixel.

usage: make_tarnis_bitmap.py OUTPUT.bmp
"""
import struct
import sys

CELL_W, CELL_H = 24, 16
# (background, triangle) per cell, as (r, g, b)
CELLS = [
    ((40, 44, 52), (128, 192, 255)),   # normal
    ((16, 18, 22), (255, 255, 255)),   # pressed
    ((40, 44, 52), (120, 230, 120)),   # checked
    ((58, 58, 58), (112, 112, 112)),   # disabled
]


def cell_pixel(cell, x, y):
    background, triangle = CELLS[cell]
    if 3 <= y <= 12:
        reach = round(2 * (5 - abs(y - 7.5)))   # a triangle pointing right
        if 8 <= x < 8 + reach:
            return triangle
    return background


def main(path):
    width, height = CELL_W, CELL_H * len(CELLS)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):   # BMP rows run bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = cell_pixel(y // CELL_H, x, y % CELL_H)
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - len(row)))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as out:
        out.write(head + info + pixels)


if __name__ == "__main__":
    main(sys.argv[1])
