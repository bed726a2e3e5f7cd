#!/usr/bin/env python3
"""Sources saved as UTF-8 and as Shift-JIS play the same.

The UTF-8 game of utf8_game/ is played as it stands, with a byte-order mark,
and converted to Shift-JIS (CP932): the three print the same lines and draw
the same frame, pixel for pixel. The Shift-JIS copy is also written over the
UTF-8 class of a played folder with the same modification time, and must be
compiled again rather than taken from the class cache. A character with no
Shift-JIS form is an error at its line and column.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "games"))
import png_pixels  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
EXPECTED = ["表示ソ能予 5 10", "ｱｲｳ 3 3", "①髙 2", "こんにちは 5", "2 \\ 表"]


def copy_game(work, name, encoding):
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(HERE, "utf8_game"), folder)
    for file in ("Banner.ravok", "main.cmml"):
        path = os.path.join(folder, file)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        with open(path, "w", encoding=encoding, newline="") as f:
            f.write(text)
    return folder


def play(ravok, home, folder, shot):
    run = subprocess.run([ravok, "--home", home, "--headless", "--frames", "3", "--print",
                          "--shot", "2:" + shot, os.path.join(folder, "main.cmml")],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return run.returncode, run.stdout.decode("utf-8", "replace").splitlines(), \
        run.stderr.decode("utf-8", "replace")


def main():
    ravok, home = sys.argv[1], sys.argv[2]
    work = os.path.join(home, "encodings-test")
    os.makedirs(work, exist_ok=True)
    failures = []
    frames = {}
    for name, encoding in (("utf8", "utf-8"), ("bom", "utf-8-sig"), ("sjis", "cp932")):
        folder = copy_game(work, name, encoding)
        shot = os.path.join(work, name + ".png")
        status, out, err = play(ravok, home, folder, shot)
        if status != 0 or out != EXPECTED:
            failures.append("%s: status %d, printed %r\n%s" % (name, status, out, err))
            continue
        frames[name] = png_pixels.read_png(shot)
    if len(frames) == 3 and not (frames["utf8"] == frames["bom"] == frames["sjis"]):
        failures.append("the three encodings drew different frames")

    # A class that changes encoding, not time, is compiled again.
    folder = copy_game(work, "switch", "utf-8")
    shot = os.path.join(work, "switch.png")
    first = play(ravok, home, folder, shot)
    banner = os.path.join(folder, "Banner.ravok")
    stamp = os.stat(banner).st_mtime_ns
    with open(banner, encoding="utf-8") as f:
        text = f.read().replace("表示ソ能予", "予能ソ示表")
    with open(banner, "w", encoding="cp932", newline="") as f:
        f.write(text)
    os.utime(banner, ns=(stamp, stamp))
    second = play(ravok, home, folder, shot)
    if first[1] != EXPECTED or second[1][:1] != ["予能ソ示表 5 10"]:
        failures.append("after the change to Shift-JIS: %r then %r\n%s" %
                        (first[1], second[1], second[2]))

    # An emoji has no Shift-JIS form: the author is told where it is.
    folder = copy_game(work, "emoji", "utf-8")
    with open(os.path.join(folder, "Banner.ravok"), "a", encoding="utf-8") as f:
        f.write('\nprint("ok 😀");\n')
    status, out, err = play(ravok, home, folder, os.path.join(work, "emoji.png"))
    with open(os.path.join(folder, "Banner.ravok"), encoding="utf-8") as f:
        lines = f.read().split("\n")
    row = next(i for i, l in enumerate(lines) if "😀" in l) + 1
    want = "Banner.ravok:%d:11: The character U+1F600 has no Shift-JIS form" % row
    if want not in err or status == 0:
        failures.append("emoji: status %d, standard error lacks %r:\n%s" % (status, want, err))

    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
