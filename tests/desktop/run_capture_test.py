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
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "games"))
from run_desktop_test import Display, end_game, fresh_home, poll, wait_for_window, xdotool  # noqa: E402
import gif_pixels  # noqa: E402
import png_pixels  # noqa: E402


def said_line(said, start, suffix="", seconds=60):
    """The player's line on standard error (after "ravok: ") that begins with
    start and ends with suffix, once it has said it."""
    def found():
        for line in said:
            line = line[len("ravok: "):] if line.startswith("ravok: ") else line
            if line.startswith(start) and line.endswith(suffix):
                return line
        return None
    return poll(found, seconds)


def mark_on_screen(display):
    """Where the game's yellow column stands on the X screen (its top rows)."""
    width, height, pixel = display.screen()
    for y in range(0, min(height, 120), 4):
        for x in range(width):
            if pixel(x, y) == (255, 255, 0):
                return x
    return None


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
        said = []
        reader = threading.Thread(target=lambda: [said.append(l.decode("utf-8", "replace").rstrip("\n"))
                                                  for l in game.stderr], daemon=True)
        reader.start()
        window = wait_for_window(display, "Ravok", 60)
        # A program directory of its own compiles the kernel first: the
        # captures start once the game's yellow mark is on the screen.
        poll(lambda: mark_on_screen(display) is not None, 120)
        if not window:
            failures.append("no window")
        else:
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "key", "F12")
            # Said once written whole.
            png = said_line(said, "Saved ", ".png")
            pngs = glob.glob(os.path.join(shots, "ravok-*.png"))
            if not png or len(pngs) != 1 or not png.endswith(pngs[0]):
                failures.append("F12 saved %d PNG files in %s (%r)" % (len(pngs), shots, png))
            else:
                rows = png_pixels.read_png(pngs[0])[2]
                mark = mark_of(rows)
                if mark is None or picture_key(rows) != pictures.picture(mark):
                    failures.append("the screenshot is no picture the game draws")
            xdotool(display, "key", "shift+F12")
            # Stopped once the recording has begun and the game has run on
            # some thirty frames (its mark has moved on the screen).
            said_line(said, "Recording ")
            start = mark_on_screen(display)

            def moved_on():
                now = mark_on_screen(display)
                return start is None or now is None or (now - start) % 300 >= 30
            poll(moved_on, 60)
            xdotool(display, "key", "shift+F12")
            gif = said_line(said, "Saved ", ".gif")
            gifs = glob.glob(os.path.join(shots, "ravok-*.gif"))
            if not gif or len(gifs) != 1:
                failures.append("Shift+F12 saved %d GIF files (%r)" % (len(gifs), gif))
            else:
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
        end_game(game)
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
