#!/usr/bin/env python3
"""The window under a virtual X server of 1024 x 768: it opens at the largest
whole multiple of the game's 320 x 240 that fits (twice), comes back to that
size after full screen (F11, twice), and F1 in a game without a help page of
its own shows the player's built-in help.

  run_window_size_test.py RAVOK HOME
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, poll, wait_for_window, xdotool  # noqa: E402

PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Still" src="Still.ravok"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Still" name="$still"/>\r\n'
        ' </resourcelist>\r\n <resourcelist name="global">\r\n'
        '  <globalvalue name="$screenWidth" value="320"/>\r\n'
        '  <globalvalue name="$screenHeight" value="240"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')


def size_of(display, window):
    words = xdotool(display, "getwindowgeometry", window)
    sizes = [w for w in words if "x" in w and w[0].isdigit()]
    return tuple(int(v) for v in sizes[0].split("x")) if sizes else None


def main():
    ravok, home = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-window-size-")
    display = Display(work)
    failures = []
    game = None
    try:
        folder = os.path.join(work, "still")
        os.makedirs(folder)
        with open(os.path.join(folder, "main.cmml"), "w") as f:
            f.write(PAGE)
        with open(os.path.join(folder, "Still.ravok"), "w") as f:
            f.write("extends Sprite;\nwhile (1) suspend();\n")
        game = subprocess.Popen([ravok, "--home", home, folder], env=display.env(scale=None),
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        window = wait_for_window(display, "Ravok", 60)
        if not window:
            return ["no window appeared"]
        first = poll(lambda: (size_of(display, window) or (0, 0))[0] == 640 and
                     size_of(display, window), 60)
        if not first or first[1] < 480:
            failures.append("the window opened at %r, not 640 wide over a 480-pixel picture" %
                            (size_of(display, window),))
        else:
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "key", "F11")
            if not poll(lambda: size_of(display, window) == (1024, 768), 30):
                failures.append("F11 did not fill the screen: %r" % (size_of(display, window),))
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "key", "F11")
            back = poll(lambda: size_of(display, window) == first, 30)
            if not back:
                failures.append("after full screen the window is %r, not %r as before" %
                                (size_of(display, window), first))
        xdotool(display, "windowfocus", "--sync", window)
        xdotool(display, "key", "F1")
        if not wait_for_window(display, "^Help: ", 30):
            failures.append("F1 showed no help for a game without a help page")
    finally:
        if game:
            game.kill()
            game.wait()
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    return failures


if __name__ == "__main__":
    found = main()
    print("\n".join(found))
    sys.exit(1 if found else 0)
