#!/usr/bin/env python3
"""Draws the pattern sheet of the bundled default game, data/Usr/chars.png:
cells of 16 x 16 pixels inside magenta frames on a white background (the
frame colour is also each cell's transparent colour), in this order:

  0 walker (blue), 1 walker with the other foot forward,
  2 runner (red),  3 runner with the other foot forward,
  4 coin (yellow)
  5 the player (green), 6 the player with the other foot forward
  7 a falling star (yellow), 8 a rock (grey), 9 a heart (a life),
  10 a grass tile (the ground), 11 a twinkle (a small star of the sky)

  tools/make_default_game_images.py [OUTPUT]
"""
import struct
import sys
import zlib

CELL = 16
WHITE, KEY = (255, 255, 255), (255, 0, 255)
SKIN, DARK = (250, 210, 170), (30, 30, 40)


def figure(body, step):
    """A small person: head, body, legs apart or together."""
    px = {}
    for y in range(2, 7):
        for x in range(5, 11):
            if (x - 7.5) ** 2 + (y - 4) ** 2 <= 7:
                px[(x, y)] = SKIN
    px[(6, 4)] = px[(9, 4)] = DARK
    for y in range(7, 12):
        for x in range(4, 12):
            px[(x, y)] = body
    legs = [(5, 6), (9, 10)] if step == 0 else [(6, 7), (8, 9)]
    for y in range(12, 16):
        for a, b in legs:
            for x in (a, b):
                px[(x, y)] = DARK
    return px


def coin():
    px = {}
    for y in range(CELL):
        for x in range(CELL):
            d = (x - 7.5) ** 2 + (y - 7.5) ** 2
            if d <= 36:
                px[(x, y)] = (250, 200, 40) if d <= 20 else (200, 140, 20)
    return px


def star():
    """A five-pointed star: the points of a polygon, filled by the even-odd
    rule of its outline through every second corner."""
    import math
    corners = []
    for i in range(10):
        r = 7.5 if i % 2 == 0 else 3.2
        a = -math.pi / 2 + i * math.pi / 5
        corners.append((7.5 + r * math.cos(a), 8 + r * math.sin(a)))
    px = {}
    for y in range(CELL):
        for x in range(CELL):
            cx, cy, inside = x + 0.5, y + 0.5, False
            for i in range(10):
                (x1, y1), (x2, y2) = corners[i], corners[(i + 1) % 10]
                if (y1 <= cy) != (y2 <= cy) and cx < x1 + (cy - y1) * (x2 - x1) / (y2 - y1):
                    inside = not inside
            if inside:
                px[(x, y)] = (255, 230, 60) if (x - 7.5) ** 2 + (y - 8) ** 2 > 6 else (255, 250, 190)
    return px


def rock():
    px = {}
    for y in range(CELL):
        for x in range(CELL):
            d = ((x - 7.5) / 7.2) ** 2 + ((y - 8.5) / 6.2) ** 2
            if d <= 1:
                shade = 150 if (x + y) % 5 else 110
                if x + y < 11:
                    shade += 40
                px[(x, y)] = (shade, shade - 10, shade - 25)
    return px


def heart():
    px = {}
    for y in range(CELL):
        for x in range(CELL):
            u, v = (x - 7.5) / 6.5, (7 - y) / 6.5
            if (u * u + v * v - 0.5) ** 3 - u * u * v * v * v <= 0:
                px[(x, y)] = (235, 40, 80)
    return px


def grass():
    px = {}
    for y in range(CELL):
        for x in range(CELL):
            if y >= 5:
                px[(x, y)] = (120, 80, 40) if y >= 9 else (60, 170, 60)
            elif (x * 7 + y * 3) % 5 == 0 and y >= 2:
                px[(x, y)] = (80, 200, 80)
    return px


def twinkle():
    px = {}
    for i in range(-3, 4):
        px[(7 + i, 7)] = px[(7, 7 + i)] = (200, 220, 255)
    px[(7, 7)] = (255, 255, 255)
    return px


CELLS = [figure((40, 90, 230), 0), figure((40, 90, 230), 1),
         figure((220, 50, 50), 0), figure((220, 50, 50), 1), coin(),
         figure((40, 180, 70), 0), figure((40, 180, 70), 1),
         star(), rock(), heart(), grass(), twinkle()]


def png(width, height, rows):
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "data/Usr/chars.png"
    pitch = CELL + 4  # frame, cell, frame, one background column
    width, height = 1 + pitch * len(CELLS), CELL + 4
    rows = [[WHITE] * width for _ in range(height)]
    for i, cell in enumerate(CELLS):
        left = 1 + i * pitch
        for y in range(CELL + 2):
            for x in range(CELL + 2):
                rows[1 + y][left + x] = KEY
        for (x, y), colour in cell.items():
            rows[2 + y][left + 1 + x] = colour
    with open(out, "wb") as f:
        f.write(png(width, height, rows))


if __name__ == "__main__":
    main()
