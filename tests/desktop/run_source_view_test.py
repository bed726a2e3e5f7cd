#!/usr/bin/env python3
"""The debug window's Source view under a virtual X server: Ctrl+D opens it
on the game's own source; a click in the margin of a line sets a
breakpoint, and the game holds there with "Stopping" in the caption and the
line marked; F5 goes on and the breakpoint holds again a frame later; a
second click clears it and F5 lets the game run. The screen at the hold is
saved as source-view.png in the build folder, to look at.

  run_source_view_test.py RAVOK HOME
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, end_game, poll, settled_screen, wait_for_window, xdotool  # noqa: E402

CLICKED_LINE = 7  # `next = n + 1;` in Looper.tick


def save_png(screen, path):
    width, height, pixel = screen
    rows = b"".join(b"\0" + bytes(c for x in range(width) for c in pixel(x, y))
                    for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-source-view-")
    display = Display(work)
    game = None
    logged, printed = [], []
    try:
        folder = os.path.join(work, "game")
        shutil.copytree(os.path.join(HERE, "source_debug_game"), folder)
        source = os.path.join(folder, "Looper.ravok")
        # --frames is only a safety stop: the checks end the game.
        game = subprocess.Popen([ravok, "--home", home, "--log", "--print", "--frames", "20000",
                                 folder], env=display.env(), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)

        def read(stream, into):
            for raw in iter(stream.readline, b""):
                into.append(raw.decode("utf-8", "replace").rstrip("\n"))
        readers = [threading.Thread(target=read, args=(game.stdout, printed), daemon=True),
                   threading.Thread(target=read, args=(game.stderr, logged), daemon=True)]
        for r in readers:
            r.start()

        def log_line(pattern, seconds=60, after=0):
            return poll(lambda: next((m for m in (re.search(pattern, l) for l in logged[after:])
                                      if m), None), seconds)

        main_window = wait_for_window(display, "Source View Test", 60)
        if not main_window or not poll(lambda: "ready" in printed, 120):
            failures.append("the game did not start")
            return 1
        debug = None
        for _ in range(3):
            xdotool(display, "windowfocus", "--sync", main_window)
            xdotool(display, "key", "ctrl+d")
            debug = wait_for_window(display, r"^(Debug|0:.*)$", 20)
            if debug:
                break
        shown = log_line(r"^Debug: Source (.*) (\d+) lines$")
        place = log_line(r"^Debug: Source gutter on the screen at (\d+),(\d+) row height (\d+)$")

        def where_rows_are():
            """The rows' place as last logged: the view logs it when it moves."""
            for l in reversed(logged):
                m = re.search(r"^Debug: Source gutter on the screen at (\d+),(\d+) row height (\d+)$", l)
                if m:
                    return (int(v) for v in m.groups())
        if not debug or not shown or not place:
            failures.append("the Source view did not open on a file (%r, %r)" % (shown, place))
            return 1
        if shown.group(1) != source:
            failures.append("the Source view shows %s, not the game's own %s" % (shown.group(1), source))

        def click():
            seen = len(logged)
            x, y, height = where_rows_are()
            row_y = y + (CLICKED_LINE - 1) * height
            xdotool(display, "mousemove", "--sync", str(x), str(row_y), "click", "1")
            return seen

        seen = click()
        if not log_line(r"^Debug: breakpoint set at %s:%d$" % (re.escape(source), CLICKED_LINE),
                        30, seen):
            failures.append("the click did not set a breakpoint on line %d" % CLICKED_LINE)
        hold = log_line(r"^Debug: Source hold at (.*):(\d+)$", 60, seen)
        if not hold or hold.groups() != (source, str(CLICKED_LINE)):
            failures.append("the game did not hold at the clicked line: %r" % (hold and hold.groups(),))
        held = wait_for_window(display, "^Stopping$", 30)
        if not held:
            failures.append("the debug window's caption does not say Stopping")
        else:
            # What the author sees, saved to look at (the screen settles first).
            save_png(settled_screen(display), os.path.join(home, "source-view.png"))
            # F5: the breakpoint holds again, a frame later.
            seen = len(logged)
            xdotool(display, "windowfocus", "--sync", held)
            xdotool(display, "key", "F5")
            if not log_line(r"^Debug: released$", 30, seen):
                failures.append("F5 did not release the hold")
            again = log_line(r"^Debug: Source hold at (.*):(\d+)$", 60, seen)
            if not again or again.group(2) != str(CLICKED_LINE):
                failures.append("the breakpoint did not hold again after F5")
            # A second click clears it; F5 lets the game run on.
            seen = click()
            if not log_line(r"^Debug: breakpoint cleared at %s:%d$" % (re.escape(source), CLICKED_LINE),
                            30, seen):
                failures.append("a second click did not clear the breakpoint")
            seen = len(logged)
            xdotool(display, "windowfocus", "--sync", held)
            xdotool(display, "key", "F5")
            if not log_line(r"^Debug: released$", 30, seen):
                failures.append("F5 did not release the hold the second time")
            elif log_line(r"^Debug: Source hold at", 3, seen):
                failures.append("the game held again with no breakpoint set")
    finally:
        if game:
            end_game(game)
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
        if failures:
            print("\n".join(failures))
            print("\n".join(logged[-30:]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
