#!/usr/bin/env python3
"""ravok --new FOLDER writes a starter game that passes --check without a
warning and plays headless without an error, its hero walking and jumping
to the keys; a folder that holds files is never written over.

  new_game_test.py RAVOK HOME
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "games"))
import png_pixels  # noqa: E402


def run(args, cwd):
    r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd, timeout=120)
    return r.returncode, r.stdout.decode("utf-8", "replace"), r.stderr.decode("utf-8", "replace")


def main():
    ravok, home = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-new-")
    failures = []
    try:
        status, out, err = run([ravok, "--home", home, "--new", "mygame"], work)
        game = os.path.join(work, "mygame")
        if status != 0 or "ravok mygame" not in out:
            failures.append("--new: exit %d, %r %r" % (status, out, err))
        status, out, err = run([ravok, "--home", home, "--check", "mygame/main.cmml"], work)
        if status != 0 or err:
            failures.append("--check of the new game: exit %d, %r" % (status, err))
        with open(os.path.join(work, "keys.txt"), "w") as f:
            f.write("5 key-down RIGHT\n40 key-up RIGHT\n50 key-down SPACE\n52 key-up SPACE\n")
        shots = {}
        for frame in (2, 40, 55):
            shots[frame] = os.path.join(work, "f%d.png" % frame)
        args = [ravok, "--home", home, "--headless", "--frames", "60", "--input", "keys.txt"]
        for frame, path in shots.items():
            args += ["--shot", "%d:%s" % (frame, path)]
        status, out, err = run(args + ["mygame"], work)
        if status != 0 or err:
            failures.append("playing the new game: exit %d, %r" % (status, err))
        else:
            frames = {n: png_pixels.read_png(p) for n, p in shots.items()}
            if frames[2] == frames[40] or frames[40] == frames[55]:
                failures.append("the hero did not move to the keys")
        # Never over an author's work.
        with open(os.path.join(game, "Hero.ravok"), "a") as f:
            f.write("// mine\n")
        status, out, err = run([ravok, "--home", home, "--new", "mygame"], work)
        with open(os.path.join(game, "Hero.ravok")) as f:
            kept = f.read().endswith("// mine\n")
        if status != 1 or "already exists" not in err or not kept:
            failures.append("--new over a game: exit %d, %r, kept %r" % (status, err, kept))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
