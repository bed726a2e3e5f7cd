#!/usr/bin/env python3
"""Writes the default wave table of the synthesizer: data/tones.wdt.

The file is 96 waveforms of 32 unsigned 8-bit samples (128 is silence),
then 16 envelopes of 32 steps (0 to 15). Waveform 0 and envelope 0 are the
engine's own defaults (a square wave; a linear decay), so a song that names
no voice sounds the same with and without this file. docs/music.md lists
what each number is.

usage: tools/make_tones.py [OUTPUT]   (default: data/tones.wdt)
"""
import math
import os
import random
import sys

AMPLITUDE = 25  # the default square wave's swing: ten channels rarely clip


def wave_from(values):
    """32 floats in -1..1 as unsigned bytes around 128."""
    peak = max(1e-9, max(abs(v) for v in values))
    return [max(0, min(255, 128 + round(v / peak * AMPLITUDE))) for v in values]


def additive(harmonics):
    return wave_from([sum(a * math.sin(2 * math.pi * h * i / 32) for h, a in harmonics) for i in range(32)])


def pulse(high_steps):
    return [128 + AMPLITUDE if i < high_steps else 128 - AMPLITUDE for i in range(32)]


def square():
    return [103] * 16 + [153] * 16


WAVES = {
    0: square(),                                   # square (the engine's default)
    1: pulse(8),                                   # pulse 25 %
    2: pulse(4),                                   # pulse 12.5 %
    3: pulse(2),                                   # pulse 6.25 %, thin
    4: wave_from([1 - abs(i - 16) / 8 for i in range(32)]),   # triangle
    5: wave_from([(i - 16) / 16 for i in range(32)]),          # saw
    6: additive([(1, 1)]),                         # sine
    7: additive([(1, 1), (2, 0.5), (3, 0.25), (4, 0.12)]),     # soft saw (brass)
    8: additive([(1, 1), (3, 0.33), (5, 0.2), (7, 0.14)]),     # odd harmonics (reed)
    9: additive([(1, 1), (2, 1), (4, 0.6), (8, 0.4)]),         # organ
    10: additive([(1, 1), (4, 0.5), (7, 0.35), (11, 0.2)]),    # bell-like
    11: additive([(1, 1), (2, 0.6), (3, 0.4), (5, 0.3), (6, 0.2)]),  # string
    12: additive([(1, 1), (2, 0.25)]),             # round bass
    13: wave_from([1 if i < 4 else (-1 if i < 8 else 0) for i in range(32)]),  # hollow click
    14: wave_from([math.sin(2 * math.pi * i / 32) ** 3 for i in range(32)]),    # narrow sine
    15: wave_from([(1 if i < 16 else -1) * (1 - (i % 16) / 20) for i in range(32)]),  # drooping square
}

ENVELOPES = {
    0: [(31 - j) // 2 for j in range(32)],                        # linear decay (default)
    1: [15] * 32,                                                  # sustained
    2: [max(0, 15 - 3 * j) for j in range(32)],                    # fast decay
    3: [round(15 * 0.82 ** j) for j in range(32)],                 # exponential decay
    4: [min(15, 4 * j) for j in range(32)],                        # quick attack, sustain
    5: [max(11, 15 - j) for j in range(32)],                       # slight decay, hold 11
    6: [max(8, 15 - j // 2) for j in range(32)],                   # slow decay, hold 8
    7: [round(15 * 0.6 ** j) for j in range(32)],                  # percussive
    8: [min(15, j // 2) for j in range(32)],                       # swell
    9: [15 if j % 4 < 2 else 11 for j in range(32)],               # tremolo
    10: [15, 15] + [14] * 30,                                       # organ
    11: [max(4, 15 - (j + 1) // 3) for j in range(32)],            # piano-like
    12: [min(15, 2 * j) if j < 8 else max(6, 15 - (j - 8) // 2) for j in range(32)],  # attack, decay
    13: [15] * 4 + [0] * 28,                                        # short blip
    14: [12] * 32,                                                  # sustained, softer
    15: [8] * 32,                                                   # sustained, quiet
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "tones.wdt")
    rng = random.Random(95)
    data = bytearray()
    for n in range(96):
        if n in WAVES:
            wave = WAVES[n]
        elif n == 95:
            wave = [90 + rng.randrange(78) for _ in range(32)]  # noise; the engine rewrites it while playing
        else:
            wave = square()
        assert len(wave) == 32 and all(0 <= v <= 255 for v in wave)
        data += bytes(wave)
    for e in range(16):
        env = ENVELOPES[e]
        assert len(env) == 32 and all(0 <= v <= 15 for v in env), e
        data += bytes(env)
    assert len(data) == 3072 + 512
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
