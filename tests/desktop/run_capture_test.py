#!/usr/bin/env python3
"""The window's captures under a virtual X server: F12 saves the game picture
into the program directory's Screenshots folder, Shift+F12 starts and stops
an animated GIF; every picture they hold is one the headless player draws
for the same game, and the GIF's delays add up to the game time it covers.

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
from run_desktop_test import Display, fresh_home, xdotool, wait_for_window, find_picture, copy_game  # noqa: E402
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


def picture_key(rows):
    return tuple(tuple(r) for r in rows)


def headless_pictures(ravok, home, page, folder):
    """Every distinct picture of the game's frames 2 to 121, headless."""
    os.makedirs(folder)
    args = [ravok, "--home", home, "--headless", "--frames", "121"]
    for n in range(2, 122):
        args += ["--shot", "%d:%s" % (n, os.path.join(folder, "%d.png" % n))]
    subprocess.run(args + [page], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    return {picture_key(png_pixels.read_png(os.path.join(folder, "%d.png" % n))[2])
            for n in range(2, 122)}


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
        gallery = os.path.join(HERE, "..", "games", "sprite_gallery")
        golden = os.path.join(gallery, "frame2.png")
        page = copy_game(gallery, os.path.join(work, "gallery"))
        pictures = headless_pictures(ravok, home, page, os.path.join(work, "frames"))
        game = subprocess.Popen([ravok, "--home", home, "--frames", "20000", page],
                                env=display.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        window = wait_for_window(display, "Ravok")
        # A program directory of its own compiles the kernel first: a while.
        end = time.time() + 60
        while time.time() < end:
            found = find_picture(display.screen(), golden)
            if found and found[2] == 0:
                break
            time.sleep(0.5)
        if not window:
            failures.append("no window")
        else:
            xdotool(display, "windowfocus", "--sync", window)
            time.sleep(0.3)
            xdotool(display, "key", "F12")
            pngs = wait_for_files(os.path.join(shots, "ravok-*.png"))
            if len(pngs) != 1:
                failures.append("F12 saved %d PNG files in %s" % (len(pngs), shots))
            else:
                time.sleep(0.5)  # written whole
                if picture_key(png_pixels.read_png(pngs[0])[2]) not in pictures:
                    failures.append("the screenshot is no picture the game draws")
            xdotool(display, "key", "shift+F12")
            time.sleep(1.5)
            xdotool(display, "key", "shift+F12")
            gifs = wait_for_files(os.path.join(shots, "ravok-*.gif"))
            if len(gifs) != 1:
                failures.append("Shift+F12 saved %d GIF files" % len(gifs))
            else:
                time.sleep(0.5)
                _, _, frames = gif_pixels.read_gif(gifs[0])
                if len(frames) < 10:
                    failures.append("the GIF holds only %d frames" % len(frames))
                if any(picture_key(f) not in pictures for _, f in frames):
                    failures.append("a GIF frame is no picture the game draws")
                total = sum(d for d, _ in frames)
                if abs(total - len(frames) * 1.7) > 1:
                    failures.append("the GIF's %d frames last %d hundredths" % (len(frames), total))
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
