#!/usr/bin/env python3
"""Draws the plug-in's 32x32, 24-bit icon into resources/devicon.bmp: a tessellation of teal and
amber triangles behind a white heart-rate trace. Run it again only to change the artwork."""
import math
import struct
import sys

W = H = 32


TRACE = [(1, 17), (10, 17), (13, 7), (16, 25), (19, 13), (21, 17), (30, 17)]


def near_trace(x, y):
    # Distance from the pixel centre to the heart-rate polyline, under 1.1 pixels counts.
    px, py = x + 0.5, y + 0.5
    for (x0, y0), (x1, y1) in zip(TRACE, TRACE[1:]):
        x0, y0, x1, y1 = x0 + 0.5, y0 + 0.5, x1 + 0.5, y1 + 0.5
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
        if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) < 1.1:
            return True
    return False


def pixel(x, y):
    # Tiles of 8 pixels, each split into two triangles of different colours, the diagonal turning
    # from tile to tile: a tessellation.
    tx, ty = x // 8, y // 8
    u = x % 8 if (tx + ty) % 2 == 0 else 7 - x % 8
    upper = u + (y % 8) < 8
    if upper:
        colour = (0x1f, 0x8a, 0x8c)  # teal
    else:
        colour = (0xf2, 0xa5, 0x3a)  # amber
    if near_trace(x, y):
        colour = (0xff, 0xff, 0xff)
    if x in (0, W - 1) or y in (0, H - 1):  # a dark frame
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
