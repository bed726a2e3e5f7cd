#!/usr/bin/env python3
"""Damaged class caches: every byte changed in turn, then the game is played.

  damaged_caches.py RAVOK BUILD_DIR [SAMPLE]

A copy of the program directory plays the default game once, which writes the
class cache of every kernel class and of the page's reconstruction script into
its Temp folder. Then, for each cache file, single bytes are changed (every
byte of the files under 300 bytes, every SAMPLE-th byte of the others, from a
different first byte in each file; SAMPLE is 61 unless given, 1 changes every
byte of every file, about an hour) and the game is played again for a few
frames. Each run must end normally and show the frame the undamaged cache
shows: a damaged cache is compiled again from its source, never run.

The kernel's classes are read from one image file (k127_Kernel) when it is
up to date, so the class files are damaged with the image removed, and the
image is damaged on its own: every byte of its first 256 (the header and the
first entry's name and length), and a sparser sample of the records, which
are the class files' own bytes.
"""
import os
import shutil
import signal
import subprocess
import sys

FRAMES = "3"


def play(ravok, home, shot):
    run = subprocess.run([ravok, "--home", home, "--headless", "--frames", FRAMES,
                          "--shot", FRAMES + ":" + shot],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    return run


def main():
    ravok, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    sample = int(sys.argv[3]) if len(sys.argv) > 3 else 61
    home = os.path.join(build, "hostile", "damaged_caches")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    for name in ("Kernel", "Usr"):
        shutil.copytree(os.path.join(build, name), os.path.join(home, name),
                        ignore=shutil.ignore_patterns("Temp"))
    shutil.copy(os.path.join(build, "tones.wdt"), home)
    good_shot = os.path.join(home, "good.png")
    first = play(ravok, home, good_shot)
    if first.returncode != 0:
        print("the undamaged game does not play:\n" + first.stderr.decode("utf-8", "replace"))
        return 1
    good = open(good_shot, "rb").read()
    temp = os.path.join(home, "Temp")
    image = os.path.join(temp, "k127_Kernel")
    if not os.path.exists(image):
        print("the first run wrote no kernel image")
        return 1
    caches = sorted(f for f in os.listdir(temp) if f.startswith("c127_")) + ["k127_Kernel"]
    failures, runs = [], 0
    shot = os.path.join(home, "damaged.png")
    for cache in caches:
        path = os.path.join(temp, cache)
        original = open(path, "rb").read()
        if path == image:
            places = list(range(min(256, len(original)))) + \
                list(range(256, len(original), sample * 4))
        else:
            step = 1 if len(original) < 300 and sample < 100 else sample
            places = range(len(cache) % step, len(original), step)
        for at in places:
            if path != image and os.path.exists(image):
                os.remove(image)
            damaged = bytearray(original)
            damaged[at] ^= 0x89 if damaged[at] != 0x89 else 0xFF
            with open(path, "wb") as f:
                f.write(damaged)
            if os.path.exists(shot):
                os.remove(shot)
            run = play(ravok, home, shot)
            runs += 1
            what = None
            if run.returncode < 0:
                what = "killed by %s" % signal.Signals(-run.returncode).name
            elif run.returncode != 0:
                what = "exit status %d: %s" % (run.returncode,
                                              run.stderr.decode("utf-8", "replace")[-500:])
            elif not os.path.exists(shot) or open(shot, "rb").read() != good:
                what = "a different picture"
            if what:
                failures.append("%s byte %d: %s" % (cache, at, what))
            # The run compiled the class again and wrote a good cache; the next
            # change starts from the original file.
        with open(path, "wb") as f:
            f.write(original)
    for f in failures[:40]:
        print("FAILED: " + f)
    print("%d cache files, %d damaged runs, %d failed" % (len(caches), runs, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
