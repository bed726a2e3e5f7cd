#!/usr/bin/env python3
"""The debug window and the authors' overlay under a virtual X server: Ctrl+D
opens the window once the game says it runs, a breakExec() (when the test
asks for it, by a file in the game's files folder) holds the game with
"Stopping" in the caption, step holds again one instruction on, run releases it, GC empties the
object list; F3 lays the overlay over the picture and takes it away again,
and with it off the picture is the headless golden frame.

  run_debug_test.py RAVOK HOME
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, copy_game, end_game, find_picture, poll, wait_for_window, xdotool  # noqa: E402

HOLDER = r'''extends Char;
t = 0;
while (1) {
    t++;
    if (t == 2) print("ready");
    if (fileExists("hold.txt")) {
        deleteFile("hold.txt");
        breakExec();
        print("released");
    }
    suspend();
}
'''

PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Holder" src="Holder.ravok"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Holder" name="$h"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')


def keys(display, window, *names):
    xdotool(display, "windowfocus", "--sync", window)
    time.sleep(0.2)
    for name in names:
        xdotool(display, "key", name)
        time.sleep(0.4)


def debug_lines(err, kind):
    return [l for l in err.splitlines() if l.startswith("Debug: " + kind)]


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-debug-")
    display = Display(work)
    try:
        # 1. The overlay: on, the picture differs; off again, it is the golden frame.
        gallery = os.path.join(HERE, "..", "games", "sprite_gallery")
        page = copy_game(gallery, os.path.join(work, "gallery"))
        # --frames is only a safety stop, well past the checks (which kill the
        # game): a loaded machine takes many seconds to boot and to redraw.
        game = subprocess.Popen([ravok, "--home", home, "--frames", "7200", page], env=display.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = wait_for_window(display, "Ravok", 60)
        golden = os.path.join(gallery, "frame2.png")

        def picture_when(wanted, seconds=20):
            """The picture once wanted(it) holds, polled: a loaded machine
            may take a while to boot the game or to redraw."""
            seen = []

            def look():
                seen[:] = [find_picture(display.screen(), golden)]
                return wanted(seen[0])
            poll(look, seconds)
            return seen[0]

        def exact(found):
            return bool(found) and found[2] == 0

        before = picture_when(exact)
        if window:
            keys(display, window, "F3")
        on = picture_when(lambda found: not exact(found), 5)
        if window:
            keys(display, window, "F3")
        off = picture_when(exact)
        if not before or before[2] != 0:
            failures.append("before F3 the window does not show the golden frame (%r)" % (before,))
        if on and on[2] == 0:
            failures.append("with the overlay on the picture is unchanged")
        if not off or off[2] != 0:
            failures.append("with the overlay off again the picture is not the golden frame (%r)" % (off,))
        game.kill()
        game.wait()

        # 2. The debug window and a hold.
        folder = os.path.join(work, "holder")
        os.makedirs(folder)
        with open(os.path.join(folder, "Holder.ravok"), "w") as f:
            f.write(HOLDER.replace("\n", "\r\n"))
        with open(os.path.join(folder, "main.cmml"), "w") as f:
            f.write(PAGE)
        # The frame stop is only a safety stop: the checks end the game.
        game = subprocess.Popen([ravok, "--home", home, "--log", "--print", "--frames", "20000",
                                 os.path.join(folder, "main.cmml")], env=display.env(),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        printed, logged = [], []
        ready = threading.Event()

        def read(stream, into, flag=None):
            for raw in iter(stream.readline, b""):
                line = raw.decode("utf-8", "replace").rstrip("\n")
                into.append(line)
                if flag and line == "ready":
                    flag.set()
        readers = [threading.Thread(target=read, args=(game.stdout, printed, ready), daemon=True),
                   threading.Thread(target=read, args=(game.stderr, logged), daemon=True)]
        for r in readers:
            r.start()
        main_window = wait_for_window(display, "Ravok", 60)
        # Keys count once the game runs: it says so.
        if not ready.wait(120):
            failures.append("the game did not start")
        debug = None
        for _ in range(3):
            if not main_window:
                break
            keys(display, main_window, "ctrl+d")
            debug = wait_for_window(display, "^(Debug|0:.*)$", 20)
            if debug:
                break
        if not debug:
            failures.append("Ctrl+D did not open the debug window")
        os.makedirs(os.path.join(folder, "files"), exist_ok=True)
        with open(os.path.join(folder, "files", "hold.txt"), "w") as f:
            f.write("hold\n")
        held = wait_for_window(display, "^Stopping$", 60)
        if not held:
            failures.append("the hold did not show the debug window with Stopping in its caption")
        else:
            keys(display, held, "alt+s")
            time.sleep(0.5)
            still = wait_for_window(display, "^Stopping$", 3)
            if not still:
                failures.append("after a step the game is not held again")
            keys(display, held, "alt+r")
            time.sleep(1)
            if wait_for_window(display, "^Stopping$", 1):
                failures.append("run did not release the hold")
            keys(display, held, "alt+e", "alt+g", "alt+a")
            time.sleep(0.5)
            keys(display, held, "alt+o")
            if not wait_for_window(display, "測定結果", 5):
                failures.append("Stop did not show the result window")
        # The log lines come as the game handles the buttons: wait for the
        # object list GC leaves, then end the game.
        poll(lambda: "Debug: ListObj 0 lines" in logged, 30)
        end_game(game)
        for r in readers:
            r.join(10)
        out, err = "\n".join(printed), "\n".join(logged)
        holds = [int(m) for m in re.findall(r"Debug: hold at line (-?\d+)", err)]
        if len(holds) != 2 or holds[1] != holds[0] + 1:
            failures.append("the holds stood at lines %r, not two lines one after the other" % holds)
        if "released" not in out.splitlines():
            failures.append("the script did not go on after run (%r)" % out)
        objects = debug_lines(err, "ListObj")
        if not objects or objects[-1] != "Debug: ListObj 0 lines":
            failures.append("GC did not leave the object list empty: %r" % objects[-3:])
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
