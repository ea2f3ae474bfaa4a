#!/usr/bin/env python3
"""Draws the settings page's two lamp bitmaps (16 x 16, 4 bits per pixel).

    python3 gainlet/res/lamp_bitmaps.py      # rewrites lamp_on.bmp, lamp_off.bmp

A round lamp: grey outline on light grey corners. Lit: bright red disc with a
pale red rim and a yellow glint. Unlit: dark red disc with a brown glint.
The output is byte-for-byte reproducible; the .bmp files are committed.
"""
import os
import struct

SIZE = 16
CENTRE = SIZE / 2           # measured to pixel centres
RADIUS = 7.9                # pixels whose centres lie within it form the lamp
GLINT = (5.5, 5.5, 1.25)    # centre x, centre y, radius: upper left

CORNER, OUTLINE = 0xC0C0C0, 0x848484
LIT = {"disc": 0xFF0000, "rim": 0xFF9C9C, "glint": 0xFFFF84}
UNLIT = {"disc": 0x6B0000, "rim": 0x6B0000, "glint": 0xC66300}


def inside(x, y):
    if not (0 <= x < SIZE and 0 <= y < SIZE):
        return False
    return ((x + 0.5 - CENTRE) ** 2 + (y + 0.5 - CENTRE) ** 2) ** 0.5 <= RADIUS


def neighbours(x, y):
    return ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))


def is_outline(x, y):
    """The lamp's edge: a lamp pixel with a side on the corners."""
    return inside(x, y) and any(not inside(nx, ny) for nx, ny in neighbours(x, y))


def colour_at(x, y, lamp):
    if not inside(x, y):
        return CORNER
    if is_outline(x, y):
        return OUTLINE
    gx, gy, gr = GLINT
    if ((x + 0.5 - gx) ** 2 + (y + 0.5 - gy) ** 2) ** 0.5 <= gr:
        return lamp["glint"]
    if any(is_outline(nx, ny) for nx, ny in neighbours(x, y)):
        return lamp["rim"]
    return lamp["disc"]


def bitmap(lamp):
    rows = [[colour_at(x, y, lamp) for x in range(SIZE)] for y in range(SIZE)]
    palette = []
    for row in rows:
        for c in row:
            if c not in palette:
                palette.append(c)
    assert len(palette) <= 16
    palette += [0] * (16 - len(palette))

    pixels = bytearray()
    for row in reversed(rows):                  # bottom-up rows
        for x in range(0, SIZE, 2):
            pixels.append(palette.index(row[x]) << 4 | palette.index(row[x + 1]))
    colour_table = b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF, c >> 16, 0) for c in palette)

    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(colour_table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colour_table + bytes(pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, lamp in (("lamp_on.bmp", LIT), ("lamp_off.bmp", UNLIT)):
        with open(os.path.join(here, name), "wb") as out:
            out.write(bitmap(lamp))


if __name__ == "__main__":
    main()
