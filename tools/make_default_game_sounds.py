#!/usr/bin/env python3
"""Writes the default game's two sound effects into data/Usr/:

  turn.wav  a rising two-step blip (8-bit, 22050 Hz), when the walker turns
  hop.wav   a falling "boing" (16-bit, 44100 Hz), when the runner turns

They are made of plain square and triangle waves, at about half of full
scale, so that they sit on top of the music without clipping.

usage: tools/make_default_game_sounds.py [FOLDER]   (default: data/Usr)
"""
import math
import os
import struct
import sys
import wave


def write(path, rate, width, values):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(width)
        w.setframerate(rate)
        if width == 1:
            w.writeframes(bytes(max(0, min(255, 128 + round(v * 127))) for v in values))
        else:
            w.writeframes(b"".join(struct.pack("<h", max(-32768, min(32767, round(v * 32767)))) for v in values))


def turn(rate=22050):
    out = []
    for freq, ms in ((880, 40), (1320, 60)):
        n = rate * ms // 1000
        for i in range(n):
            square = 1 if (i * freq * 2 // rate) % 2 == 0 else -1
            out.append(0.4 * square * (1 - i / n) ** 0.5)
    return out


def hop(rate=44100):
    out, phase = [], 0.0
    n = rate * 150 // 1000
    for i in range(n):
        freq = 700 * (1 - i / n) + 180
        phase = (phase + freq / rate) % 1.0
        triangle = 4 * abs(phase - 0.5) - 1
        out.append(0.5 * triangle * math.exp(-3 * i / n))
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "Usr")
    write(os.path.join(folder, "turn.wav"), 22050, 1, turn())
    write(os.path.join(folder, "hop.wav"), 44100, 2, hop())


if __name__ == "__main__":
    main()
