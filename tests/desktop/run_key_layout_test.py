#!/usr/bin/env python3
"""Keys by position under French and Russian keyboard layouts (setxkbmap on
a virtual X server). The physical keys W, A, S and D are pressed (through the
symbols the layout puts on them) and the game says which key codes it read:
with "keys by position" on, W A S D (87 65 83 68) under both layouts; with it
off, what the layout prints on them: Z Q S D under French, and nothing under
Russian, whose letters no game key stands for.

  run_key_layout_test.py RAVOK HOME
"""
import os
import shutil
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, end_game, poll, wait_for_window, xdotool  # noqa: E402

# The symbols each layout puts on the physical W, A, S and D keys.
PHYSICAL_WASD = {
    "fr": ["z", "q", "s", "d"],
    "ru": ["Cyrillic_tse", "Cyrillic_ef", "Cyrillic_yeru", "Cyrillic_ve"],
}
BY_POSITION = [87, 65, 83, 68]
BY_LAYOUT = {"fr": [90, 81, 83, 68], "ru": []}
LEFT = 37


def read_keys(ravok, home, work, display, by_position):
    """The key codes the game read for the four physical keys, in order;
    None when the game did not start or did not answer."""
    folder = os.path.join(work, "game")
    if not os.path.isdir(folder):
        shutil.copytree(os.path.join(HERE, "player_menu_game"), folder)
    settings = os.path.join(work, "player.ini")
    with open(settings, "w") as f:
        f.write("keys-by-position=%d\n" % (1 if by_position else 0))
    env = display.env(scale=None)
    env["RAVOK_PLAYER_SETTINGS"] = settings
    env["XDG_DATA_HOME"] = os.path.join(work, "data")
    game = subprocess.Popen([ravok, "--home", home, "--print", "--frames", "100000", folder],
                            env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    printed = []

    def read():
        for raw in iter(game.stdout.readline, b""):
            printed.append(raw.decode("utf-8", "replace").rstrip("\n"))
    threading.Thread(target=read, daemon=True).start()
    try:
        window = wait_for_window(display, "Player Menu Test", 60)
        if not window or not poll(lambda: any(l.startswith("tick ") for l in printed), 120):
            return None
        keys = []
        for symbol in PHYSICAL_WASD[display.layout]:
            # The key is held with Left beside it until the game has read
            # Left: whatever the physical key gives was read by then, since
            # it went down first. Holding both keeps a quick press from
            # falling between two frames.
            before = len(printed)
            xdotool(display, "windowfocus", "--sync", window)
            xdotool(display, "keydown", symbol)
            xdotool(display, "keydown", "Left")
            seen = poll(lambda: "key %d" % LEFT in printed[before:], 30)
            xdotool(display, "keyup", "Left")
            xdotool(display, "keyup", symbol)
            if not seen:
                return None
            keys += [int(l.split()[1]) for l in printed[before:]
                     if l.startswith("key ") and l != "key %d" % LEFT]
        return keys
    finally:
        end_game(game)


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-key-layout-")
    display = Display(work)
    try:
        for layout in ("fr", "ru"):
            set_layout = subprocess.run(["setxkbmap", "-layout", layout], env=display.env(),
                                        stderr=subprocess.PIPE, timeout=30)
            if set_layout.returncode != 0:
                failures.append("setxkbmap %s failed: %s" % (layout, set_layout.stderr.decode()))
                continue
            display.layout = layout
            for by_position, wanted in ((True, BY_POSITION), (False, BY_LAYOUT[layout])):
                got = read_keys(ravok, home, work, display, by_position)
                if got != wanted:
                    failures.append("%s, keys by position %s: the game read %r, not %r" % (
                        layout, "on" if by_position else "off", got, wanted))
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("\n".join(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
