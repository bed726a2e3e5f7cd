#!/usr/bin/env python3
"""The game's picture on high-density screens, under a virtual X server: at
a scale factor of 2 (GDK_SCALE=2) every game pixel is a 2 x 2 block of one
colour, and with text scaled by 1.5 (GDK_DPI_SCALE=1.5) the picture is the
game's own pixels; never a blurred in-between colour. The sprite gallery's
golden frame is looked for, enlarged by whole device pixels.

  run_hidpi_test.py RAVOK HOME
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "games"))
import png_pixels  # noqa: E402
from run_desktop_test import Display, copy_game, poll, wait_for_window  # noqa: E402

GALLERY = os.path.join(HERE, "..", "games", "sprite_gallery")


def found_at(screen, golden, factor):
    """Where the golden frame stands on the screen, each pixel a factor x
    factor block, exactly; None when it is not there."""
    width, height, pixel = screen
    gw, gh, rows = golden
    first = rows[0][0]
    for y in range(0, height - gh * factor + 1):
        for x in range(0, width - gw * factor + 1):
            if pixel(x, y) != first:
                continue
            if all(pixel(x + i * factor + di, y + j * factor + dj) == rows[j][i]
                   for j in range(gh) for i in range(0, gw, 7)
                   for di in range(factor) for dj in range(factor)):
                if all(pixel(x + i * factor, y + j * factor) == rows[j][i]
                       for j in range(gh) for i in range(gw)):
                    return (x, y)
    return None


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    golden = png_pixels.read_png(os.path.join(GALLERY, "frame2.png"))
    for name, extra, factor in (("GDK_SCALE=2", {"GDK_SCALE": "2"}, 2),
                                ("GDK_DPI_SCALE=1.5", {"GDK_DPI_SCALE": "1.5"}, 1)):
        work = tempfile.mkdtemp(prefix="ravok-hidpi-")
        display = Display(work)
        try:
            page = copy_game(GALLERY, os.path.join(work, "gallery"))
            env = display.env()
            env.update(extra)
            game = subprocess.Popen([ravok, "--home", home, "--frames", "100000", page], env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                if not wait_for_window(display, "Ravok", 60):
                    failures.append("%s: no window" % name)
                    continue
                at = poll(lambda: found_at(display.screen(), golden, factor), 60)
                if not at:
                    failures.append("%s: the picture is not the game's pixels at %dx" % (name, factor))
            finally:
                game.kill()
                game.wait()
        finally:
            display.stop()
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
