#!/usr/bin/env python3
"""Draws the plug-in's 32x32, 24-bit icon into resources/devicon.bmp: a tessellation of teal and
amber triangles behind a white heart-rate trace. Run it again only to change the artwork."""
import math
import struct
import sys

W = H = 32


def pixel(x, y):
    # Triangle tiles of 8 pixels, alternating colours along each row.
    tx, ty = x // 8, y // 8
    upper = (x % 8) + (y % 8) < 8
    if (tx + ty + upper) % 2:
        colour = (0x1f, 0x8a, 0x8c)  # teal
    else:
        colour = (0xf2, 0xa5, 0x3a)  # amber
    # Heart-rate trace: flat, a spike, flat.
    if 12 <= x <= 19:
        trace_y = 16 - int(10 * math.sin((x - 12) / 7 * math.pi))
    else:
        trace_y = 16
    if abs(y - trace_y) <= 1:
        colour = (0xff, 0xff, 0xff)
    # A dark one-pixel frame.
    if x in (0, W - 1) or y in (0, H - 1):
        colour = (0x20, 0x20, 0x28)
    return colour


def main(path):
    row_bytes = W * 3  # 96, already a multiple of 4
    pixels = bytearray()
    for y in range(H - 1, -1, -1):  # BMP rows run bottom-up
        for x in range(W):
            r, g, b = pixel(x, y)
            pixels += bytes((b, g, r))
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    assert len(pixels) == row_bytes * H
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'resources/devicon.bmp')
