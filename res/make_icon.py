#!/usr/bin/env python3
"""Draws the program's icon, a small TV set with two antennas showing a tuning wave, and writes it
as res/uninst.ico: one 32 x 32 image, 16 colours, 4 bits per pixel, with a transparency mask.

Run it again after changing the picture: python3 res/make_icon.py
"""

import math
import os
import struct

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, NAVY, SILVER, GREY, RED, LIME, YELLOW, AQUA, WHITE = 0, 1, 4, 7, 8, 9, 10, 11, 14, 15

TRANSPARENT = None


def draw():
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def put(x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            px[y][x] = c

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                put(x, y, c)

    def line(x0, y0, x1, y1, c):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), c)

    # Antennas with red tips.
    line(15, 8, 9, 2, BLACK)
    line(16, 8, 22, 2, BLACK)
    rect(8, 1, 9, 2, RED)
    rect(22, 1, 23, 2, RED)

    # Cabinet: grey with a black outline and a lighter top edge.
    rect(2, 8, 29, 26, BLACK)
    rect(3, 9, 28, 25, GREY)
    rect(3, 9, 28, 9, SILVER)

    # Screen: navy glass in a black bezel, with a green tuning wave and a highlight.
    rect(4, 10, 22, 24, BLACK)
    rect(5, 11, 21, 23, NAVY)
    for x in range(5, 22):
        put(x, 17 + round(3 * math.sin((x - 5) * 2 * math.pi / 8)), LIME)
    line(6, 12, 9, 12, AQUA)
    put(6, 13, AQUA)

    # Control panel: two knobs and a speaker grille.
    rect(24, 11, 26, 13, YELLOW)
    put(25, 12, DARK_RED)
    rect(24, 15, 26, 17, SILVER)
    put(25, 16, BLACK)
    for y in (19, 21, 23):
        line(24, y, 27, y, BLACK)

    # Feet.
    rect(5, 27, 8, 28, BLACK)
    rect(23, 27, 26, 28, BLACK)
    return px


def ico_bytes(px):
    xor_stride = SIZE // 2  # 4 bits per pixel: 16 bytes a row, already a multiple of 4
    and_stride = 4          # 1 bit per pixel: 4 bytes a row
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        row = px[y]
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not TRANSPARENT else 0
            lo = row[x + 1] if row[x + 1] is not TRANSPARENT else 0
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is TRANSPARENT else 0)
        mask += bits.to_bytes(and_stride, "big")
    assert len(xor) == xor_stride * SIZE

    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return icondir + entry + image


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "uninst.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(draw()))
    print(out)


if __name__ == "__main__":
    main()
