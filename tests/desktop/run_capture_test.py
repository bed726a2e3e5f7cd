#!/usr/bin/env python3
"""The window's captures under a virtual X server: F12 saves the game picture
into the program directory's Screenshots folder, Shift+F12 starts and stops
an animated GIF; every picture they hold is one the headless player draws
for the same game, and the GIF's delays add up to the game frames it
covers. The game marks each frame with a column at x = frame mod 300, so a
picture tells which frame it is: on a loaded machine the window presents
fewer pictures than the game runs frames, and the delays must still cover
every frame between the first picture and the last.

  run_capture_test.py RAVOK HOME
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "games"))
from run_desktop_test import Display, count_colour, fresh_home, xdotool, wait_for_window  # noqa: E402
import gif_pixels  # noqa: E402
import png_pixels  # noqa: E402


def wait_for_files(pattern, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        found = glob.glob(pattern)
        if found:
            return found
        time.sleep(0.25)
    return []


def wait_for_whole(path, seconds=20):
    """Until the file stops growing: the player writes it as it goes."""
    end, last = time.time() + seconds, -1
    while time.time() < end:
        size = os.path.getsize(path)
        if size == last and size > 0:
            return
        last = size
        time.sleep(0.3)


def picture_key(rows):
    return tuple(tuple(r) for r in rows)


MARKER = ("extends Sprite;\r\nn = 0;\r\nwhile (1) {\r\n    n++;\r\n"
          "    fillRect(n % 300, 0, n % 300 + 1, 20, 65535);\r\n    suspend();\r\n}\r\n")
PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Marker" src="Marker.ravok" category="usr"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Marker" name="$m"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')


def marker_game(folder):
    os.makedirs(folder)
    with open(os.path.join(folder, "Marker.ravok"), "w", newline="") as f:
        f.write(MARKER)
    with open(os.path.join(folder, "main.cmml"), "w", newline="") as f:
        f.write(PAGE)
    return os.path.join(folder, "main.cmml")


class HeadlessPictures:
    """The game's pictures of frames 2 to 301, headless, decoded when asked
    for (decoding takes a while): frame mod 300 -> picture."""

    def __init__(self, ravok, home, page, folder):
        os.makedirs(folder)
        self.folder = folder
        args = [ravok, "--home", home, "--headless", "--frames", "301"]
        for n in range(2, 302):
            args += ["--shot", "%d:%s" % (n, os.path.join(folder, "%d.png" % n))]
        subprocess.run(args + [page], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=300)
        self.decoded = {}

    def picture(self, mark):
        if mark not in self.decoded:
            n = mark if mark >= 2 else mark + 300
            self.decoded[mark] = picture_key(
                png_pixels.read_png(os.path.join(self.folder, "%d.png" % n))[2])
        return self.decoded[mark]


def mark_of(rows):
    """The frame mod 300 the picture shows: where its yellow column is."""
    for x, p in enumerate(rows[0]):
        if tuple(p) == (255, 255, 0):
            return x
    return None


def main():
    ravok, build = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-capture-")
    display = Display(work)
    # A program directory of its own, so the Screenshots folder starts empty.
    home = os.path.join(work, "home")
    fresh_home(build, home)
    shots = os.path.join(home, "Screenshots")
    try:
        page = marker_game(os.path.join(work, "marker"))
        pictures = HeadlessPictures(ravok, home, page, os.path.join(work, "frames"))
        game = subprocess.Popen([ravok, "--home", home, "--frames", "200000", page],
                                env=display.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        window = wait_for_window(display, "Ravok", 60)
        # A program directory of its own compiles the kernel first: the
        # captures start once the game's yellow mark is on the screen.
        end = time.time() + 120
        while time.time() < end and count_colour(display.screen(), (255, 255, 0)) == 0:
            time.sleep(0.25)
        if not window:
            failures.append("no window")
        else:
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "key", "F12")
            pngs = wait_for_files(os.path.join(shots, "ravok-*.png"))
            if len(pngs) != 1:
                failures.append("F12 saved %d PNG files in %s" % (len(pngs), shots))
            else:
                wait_for_whole(pngs[0])
                rows = png_pixels.read_png(pngs[0])[2]
                mark = mark_of(rows)
                if mark is None or picture_key(rows) != pictures.picture(mark):
                    failures.append("the screenshot is no picture the game draws")
            xdotool(display, "key", "shift+F12")
            time.sleep(1.5)
            xdotool(display, "key", "shift+F12")
            gifs = wait_for_files(os.path.join(shots, "ravok-*.gif"))
            if len(gifs) != 1:
                failures.append("Shift+F12 saved %d GIF files" % len(gifs))
            else:
                wait_for_whole(gifs[0])
                _, _, frames = gif_pixels.read_gif(gifs[0])
                if len(frames) < 2:
                    failures.append("the GIF holds only %d frames" % len(frames))
                marks = [mark_of(f) for _, f in frames]
                # Twenty of them, spread over the GIF, compared whole.
                step = max(1, len(frames) // 20)
                if None in marks or any(picture_key(frames[i][1]) != pictures.picture(marks[i])
                                        for i in range(0, len(frames), step)):
                    failures.append("a GIF frame is no picture the game draws")
                elif len(frames) >= 2:
                    # Every game frame from the first picture's to the last's,
                    # the first one included, at 1/60 s each.
                    covered = 1 + sum((b - a) % 300 for a, b in zip(marks, marks[1:]))
                    total = sum(d for d, _ in frames[:-1]) + frames[-1][0]
                    shown = sum(d for d, _ in frames[:-1])
                    want = covered * 100 / 60
                    if not (want - 2 <= total and shown <= want + 2):
                        failures.append("the GIF's %d pictures cover %d game frames (%.1f "
                                        "hundredths) but their delays add up to %d" %
                                        (len(frames), covered, want, total))
        game.terminate()
        _, err = game.communicate(timeout=30)
        if b"Saved" not in err:
            failures.append("nothing said where the captures went: %r" % err[-300:])
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
