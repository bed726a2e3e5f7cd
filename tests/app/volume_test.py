#!/usr/bin/env python3
"""The player's volume, applied in the mixer: music at 50 % halves the
recorded song, mute silences it, and without a settings file named the
recording is the golden one (a headless run ignores the player's settings).
Recorded on the headless recording device; the settings file is written
atomically by the player, so this also reads one the player would write.

Usage: volume_test.py RAVOK PROGRAM_HOME
"""
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
GAME = os.path.join(HERE, "..", "games", "song_golden")
MML = os.path.join(HERE, "..", "..", "tools", "mml", "mml.py")


def record(ravok, home, work, name, settings):
    out = os.path.join(work, name + ".wav")
    env = dict(os.environ)
    env.pop("RAVOK_PLAYER_SETTINGS", None)
    if settings is not None:
        path = os.path.join(work, name + ".ini")
        with open(path, "w") as f:
            f.write(settings)
        env["RAVOK_PLAYER_SETTINGS"] = path
    game = os.path.join(work, "game-" + name)
    shutil.copytree(GAME, game)
    subprocess.run([sys.executable, MML, os.path.join(game, "song.mml")], check=True, timeout=120)
    subprocess.run([ravok, "--home", home, "--headless", "--frames", "80", "--audio", out,
                    os.path.join(game, "main.cmml")], check=True, env=env,
                   stdout=subprocess.DEVNULL, timeout=120)
    with wave.open(out) as w:
        samples = array.array("h", w.readframes(w.getnframes()))
    return samples


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-volume-")
    failures = []
    try:
        plain = record(ravok, home, work, "plain", None)
        full = record(ravok, home, work, "full", "music=100\neffects=100\n")
        half = record(ravok, home, work, "half", "music=50\n")
        muted = record(ravok, home, work, "muted", "mute=1\n")
        with wave.open(os.path.join(GAME, "song.wav")) as w:
            golden = array.array("h", w.readframes(w.getnframes()))
        if plain != golden:
            failures.append("without a settings file the recording is not the golden one")
        if full != golden:
            failures.append("at full volume the recording is not the golden one")
        ratio = rms(half) / rms(full) if rms(full) else 0
        if abs(ratio - 0.5) > 0.01:
            failures.append("music at 50 %% gives %.3f of the level, not half" % ratio)
        # Muted, only the device's idle value (128, where the ring was not
        # rendered yet) and silence remain.
        sounding = [s for s in muted if s not in (0, 128)]
        if sounding:
            failures.append("mute leaves %d samples sounding" % len(sounding))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
