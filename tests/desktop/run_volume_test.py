#!/usr/bin/env python3
"""The player's music volume in the window, heard where the window sends its
sound: SDL's disk audio driver writes what the device plays to a file. The
same song at full volume and at 50 % (from the player's settings file): the
second has half the level.

  run_volume_test.py RAVOK HOME
"""
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display  # noqa: E402

GAME = os.path.join(HERE, "..", "games", "song_golden")
MML = os.path.join(HERE, "..", "..", "tools", "mml", "mml.py")


def played(ravok, home, work, display, music):
    """The samples the device played (16-bit mono) with music at music %."""
    settings = os.path.join(work, "player-%d.ini" % music)
    with open(settings, "w") as f:
        f.write("music=%d\n" % music)
    out = os.path.join(work, "played-%d.raw" % music)
    env = display.env()
    env.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": out,
                "RAVOK_PLAYER_SETTINGS": settings,
                "XDG_DATA_HOME": os.path.join(work, "data")})
    subprocess.run([ravok, "--home", home, "--frames", "120", os.path.join(work, "game", "main.cmml")],
                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240,
                   check=True)
    with open(out, "rb") as f:
        data = f.read()
    return array.array("h", data[:len(data) // 2 * 2])


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-desktop-volume-")
    display = Display(work)
    failures = []
    try:
        shutil.copytree(GAME, os.path.join(work, "game"))
        subprocess.run([sys.executable, MML, os.path.join(work, "game", "song.mml")], check=True,
                       timeout=120)
        full = played(ravok, home, work, display, 100)
        half = played(ravok, home, work, display, 50)
        if rms(full) < 500:
            failures.append("at full volume the device played almost nothing (RMS %.0f)" % rms(full))
        else:
            # The device plays in real time, so each run may have a buffer more
            # or less of the song's end or of the idle value: a near ratio.
            ratio = rms(half) / rms(full)
            if abs(ratio - 0.5) > 0.03:
                failures.append("music at 50 %% played at %.3f of the level, not half" % ratio)
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("\n".join(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
