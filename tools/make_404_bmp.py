#!/usr/bin/env python3
"""Writes data/Kernel/images/404.bmp, the image the player draws in place of a
pattern file that is missing: one 32 x 32 cell (inside a magenta frame on a
white background, so the cutter finds exactly one cell) showing a red cross
on a dark square.

  tools/make_404_bmp.py [OUTPUT]
"""
import struct
import sys

# Two background columns right of the frame: the cutter's walk along a frame
# must meet a background pixel before the image's last column.
W, H = 37, 36
WHITE, MAGENTA, RED, DARK = (255, 255, 255), (255, 0, 255), (230, 30, 30), (40, 40, 48)


def pixel(x, y):
    if x == 0 or y == 0 or x >= 35 or y == H - 1:
        return WHITE
    if x in (1, 34) or y in (1, H - 2):
        return MAGENTA  # the frame; its corner colour is the cell's key colour
    cx, cy = x - 2, y - 2  # 0 .. 31 inside the cell
    if abs(cx - cy) <= 1 or abs(cx - (31 - cy)) <= 1:
        return RED
    if 2 <= cx <= 29 and 2 <= cy <= 29:
        return DARK
    return MAGENTA


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "data/Kernel/images/404.bmp"
    row_bytes = (W * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(W):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(out, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main()
