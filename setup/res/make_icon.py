#!/usr/bin/env python3
"""Writes setup.ico, the installer's application icon (also the icon of its
uninstall entry), from a small vector drawing: a blue rounded tile with a
rising gold wedge, the sign of a gain control.

Images: 32 and 16 pixels in 16 colours; 48, 32 and 16 pixels in 256 colours
and in 32-bit colour with alpha. Palette images get a hard 1-bit mask; the
32-bit images are anti-aliased by 4x4 supersampling.

    python3 make_icon.py [output.ico]
"""
import struct
import sys

TILE = (24, 78, 150)
WEDGE = (250, 192, 40)

# The standard 16-colour palette, as RGB.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def inside_rounded_square(u, v, lo=0.06, hi=0.94, r=0.2):
    if not (lo <= u <= hi and lo <= v <= hi):
        return False
    cu = min(max(u, lo + r), hi - r)
    cv = min(max(v, lo + r), hi - r)
    return (u - cu) ** 2 + (v - cv) ** 2 <= r * r


def inside_wedge(u, v):
    # Right triangle with its right angle at the bottom right: the level
    # rises from left to right.
    left, right, bottom, top = 0.22, 0.80, 0.78, 0.24
    if not (left <= u <= right and top <= v <= bottom):
        return False
    height_here = (u - left) / (right - left) * (bottom - top)
    return v >= bottom - height_here


def colour_at(u, v):
    """RGB at a point, or None where the icon is transparent."""
    if inside_wedge(u, v):
        return WEDGE
    if inside_rounded_square(u, v):
        return TILE
    return None


def render(size, samples):
    """Rows top-down of (r, g, b, a), a in 0..255."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    c = colour_at(u, v)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            n = samples * samples
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(a / hits) for a in acc) + (round(255 * hits / n),))
        rows.append(row)
    return rows


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)))


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def dib_header(size, bpp, image_bytes):
    return struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, bpp, 0,
                       image_bytes, 0, 0, 0, 0)


def palette_image(size, bpp):
    rows = render(size, 1)
    if bpp == 4:
        palette = list(VGA16)
    else:
        palette = list(VGA16) + sorted({px[:3] for row in rows for px in row if px[3]} - set(VGA16))
        palette += [(0, 0, 0)] * (256 - len(palette))
    stride = ((size * bpp + 31) // 32) * 4
    xor = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            index = nearest(palette, px[:3]) if px[3] >= 128 else 0
            if bpp == 4:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            else:
                line[x] = index
        xor += line
    mask = and_mask(rows, size)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    body = bytes(xor) + mask
    return dib_header(size, bpp, len(body)) + colours + body


def truecolour_image(size):
    rows = render(size, 4)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += struct.pack('<BBBB', b, g, r, a)
    mask = and_mask(rows, size)
    body = bytes(xor) + mask
    return dib_header(size, 32, len(body)) + body


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'setup.ico'
    images = [
        (32, 4, palette_image(32, 4)), (16, 4, palette_image(16, 4)),
        (48, 8, palette_image(48, 8)), (32, 8, palette_image(32, 8)),
        (16, 8, palette_image(16, 8)),
        (48, 32, truecolour_image(48)), (32, 32, truecolour_image(32)),
        (16, 32, truecolour_image(16)),
    ]
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b''
    data = b''
    for size, bpp, blob in images:
        colour_count = 16 if bpp == 4 else 0
        entries += struct.pack('<BBBBHHII', size, size, colour_count, 0, 1, bpp,
                               len(blob), offset + len(data))
        data += blob
    with open(out, 'wb') as f:
        f.write(header + entries + data)


if __name__ == '__main__':
    main()
