#!/usr/bin/env python3
"""The Player menu under a virtual X server: with "match display refresh" on
(from the player's settings file) the game runs; Ctrl+P holds the frame
count and Ctrl+P again lets it run on; Ctrl+2 and Ctrl+1 set the window to twice
and once the game's size; the menu, opened with Alt+P, is saved as
player-menu.png in the build folder to look at.

  run_player_menu_test.py RAVOK HOME
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, end_game, poll, settled_screen, wait_for_window, xdotool  # noqa: E402
from run_source_view_test import save_png  # noqa: E402


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-player-menu-")
    display = Display(work)
    game = None
    printed, logged = [], []
    try:
        folder = os.path.join(work, "game")
        shutil.copytree(os.path.join(HERE, "player_menu_game"), folder)
        env = display.env(scale=None)
        # The player's settings of this run only, with the frames following
        # the display's refresh: the game must run as well as ever.
        settings = os.path.join(work, "player.ini")
        with open(settings, "w") as f:
            f.write("match-refresh=1\n")
        env["RAVOK_PLAYER_SETTINGS"] = settings
        env["XDG_DATA_HOME"] = os.path.join(work, "data")
        game = subprocess.Popen([ravok, "--home", home, "--log", "--print", "--frames", "100000",
                                 folder], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

        def read(stream, into):
            for raw in iter(stream.readline, b""):
                into.append(raw.decode("utf-8", "replace").rstrip("\n"))
        for stream, into in ((game.stdout, printed), (game.stderr, logged)):
            threading.Thread(target=read, args=(stream, into), daemon=True).start()

        def ticks():
            return sum(1 for l in printed if l.startswith("tick "))

        def logged_since(text, since):
            return poll(lambda: text in logged[since:], 30)

        window = wait_for_window(display, "Player Menu Test", 60)
        if not window or not poll(lambda: ticks() > 5, 120):
            failures.append("the game did not start")
            return 1
        if "Player: match display refresh on" not in logged:
            failures.append("the settings file's match-refresh was not taken")

        def press(keys):
            seen = len(logged)
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "key", keys)
            return seen

        def width():
            size = [g for g in xdotool(display, "getwindowgeometry", window)
                    if "x" in g and g[0].isdigit()]
            return int(size[0].split("x")[0]) if size else 0

        seen = press("ctrl+p")
        if not logged_since("Player: paused", seen):
            failures.append("Ctrl+P did not pause")
        held_at = ticks()
        # While paused the window answers: a zoom is an event to wait for,
        # and no frame may pass meanwhile (one already under way may end).
        seen = press("ctrl+2")
        if not logged_since("Player: zoom 2", seen):
            failures.append("Ctrl+2 did not zoom")
        if not poll(lambda: width() == 640, 30):
            failures.append("at zoom 2 the window is %d wide, not 640" % width())
        if ticks() > held_at + 1:
            failures.append("frames ran while paused: %d, then %d" % (held_at, ticks()))
        seen = press("ctrl+p")
        if not logged_since("Player: resumed", seen) or not poll(lambda: ticks() > held_at + 5, 60):
            failures.append("Ctrl+P again did not let the game run on")
        seen = press("ctrl+1")
        if not logged_since("Player: zoom 1", seen) or not poll(lambda: width() == 320, 30):
            failures.append("at zoom 1 the window is %d wide, not 320" % width())
        # Remap: the game reads Left when A is pressed. The dialog's Add is
        # pressed with Space, then the game's key, then the player's.
        seen = press("ctrl+alt+k")
        dialog = wait_for_window(display, "^Remap Keys$", 30)
        if not dialog:
            failures.append("Ctrl+Alt+K did not open the remap dialog")
        else:
            for k in ("space", "Left", "a"):
                xdotool(display, "windowfocus", "--sync", dialog)
                xdotool(display, "key", k)
            if not logged_since("Player: key A reads as Left", seen):
                failures.append("the remap dialog did not take A for Left")
            save_png(settled_screen(display), os.path.join(home, "remap-dialog.png"))
            xdotool(display, "windowfocus", "--sync", dialog)
            xdotool(display, "key", "Escape")
            poll(lambda: not xdotool(display, "search", "--onlyvisible", "--name", "^Remap Keys$"), 30)
            # A is held until the game has read a key.
            before = len(printed)
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "keydown", "a")
            read = poll(lambda: [l for l in printed[before:] if l.startswith("key ")], 30)
            xdotool(display, "keyup", "a")
            if read != ["key 37"]:
                failures.append("with A remapped the game read %r, not Left (37)" % read)
        # The menu, to look at.
        xdotool(display, "windowfocus", "--sync", window)
        xdotool(display, "key", "alt+p")
        poll(lambda: len(xdotool(display, "search", "--onlyvisible", "--name", "")) > 3, 10)
        save_png(settled_screen(display), os.path.join(home, "player-menu.png"))
        xdotool(display, "key", "Escape")
    finally:
        if game:
            end_game(game)
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
        if failures:
            print("\n".join(failures))
            print("\n".join(logged[-20:]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
