#!/usr/bin/env python3
"""Fuzzes the song compiler of tools/mml: mutated song texts from the corpus
go through compile_song for SECONDS. A bad text must end in MmlError (a
FILE:LINE:COLUMN message); any other exception, or a song file the player's
reader would take for longer than it is, is a failure, saved under CRASHDIR.

usage: mml_fuzz.py CORPUS_DIR SECONDS [CRASH_DIR]
"""
import os
import random
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "mml"))
import mml  # noqa: E402

ALPHABET = "abcdefgr<>.&^_-+#0123456789lotvq@ABCDEFGHIJ;:/[]{}()\"' \n\t"


def mutate(text, rng):
    chars = list(text)
    for _ in range(rng.randint(1, 8)):
        what = rng.random()
        at = rng.randint(0, len(chars))
        if what < 0.35 and chars:
            del chars[min(at, len(chars) - 1)]
        elif what < 0.7:
            chars.insert(at, rng.choice(ALPHABET))
        elif what < 0.85:
            piece = chars[at:at + rng.randint(1, 40)]
            chars[at:at] = piece * rng.randint(1, 30)
        else:
            chars.insert(at, str(rng.choice([0, 1, 255, 256, 65535, 65536, 2 ** 31, 10 ** 12])))
    return "".join(chars)


def main():
    corpus_dir, seconds = sys.argv[1], float(sys.argv[2])
    crash_dir = sys.argv[3] if len(sys.argv) > 3 else "."
    seeds = []
    for name in sorted(os.listdir(corpus_dir)):
        with open(os.path.join(corpus_dir, name), encoding="utf-8", errors="replace") as f:
            seeds.append(f.read())
    rng = random.Random(1)
    runs, refused, end = 0, 0, time.time() + seconds
    while time.time() < end:
        text = mutate(rng.choice(seeds), rng)
        runs += 1
        try:
            mml.compile_song(text)
        except mml.MmlError:
            refused += 1
        except Exception:
            path = os.path.join(crash_dir, "mml-crash-%d.mml" % runs)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            traceback.print_exc()
            print("mml_fuzz: failure after %d runs, input in %s" % (runs, path))
            return 1
    print("mml_fuzz: %d runs in %.0f s (%.0f/s), %d refused with a message, no failure" % (
        runs, seconds, runs / seconds, refused))
    return 0


if __name__ == "__main__":
    sys.exit(main())
