#!/usr/bin/env python3
"""Record and replay under a virtual X server: a play of the bundled game in
the window with keys pressed through xdotool, recorded with --record, then
played headless twice from the recording: both runs give the same frame,
and it is the frame the window showed at the recording's end.

  run_record_test.py RAVOK HOME
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "games"))
from run_desktop_test import Display, fresh_home, xdotool, wait_for_window  # noqa: E402
import png_pixels  # noqa: E402

FRAMES = 900


def main():
    ravok, build = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-record-")
    display = Display(work)
    home = os.path.join(work, "home")
    recording = os.path.join(work, "play.txt")
    try:
        fresh_home(build, home)
        window_frame = os.path.join(work, "window.png")
        game = subprocess.Popen([ravok, "--home", home, "--frames", str(FRAMES), "--shot",
                                 "%d:%s" % (FRAMES, window_frame), "--record", recording],
                                env=display.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        window = wait_for_window(display, "Ravok", 60)
        if not window:
            failures.append("no window")
        else:
            # Past the splash and into the title page.
            time.sleep(4)
            xdotool(display, "windowfocus", "--sync", window)
            time.sleep(0.3)
            for key, held in (("space", 0.2), ("Right", 0.8), ("Left", 1.0), ("Right", 0.5)):
                xdotool(display, "keydown", key)
                time.sleep(held)
                xdotool(display, "keyup", key)
                time.sleep(0.3)
        try:
            _, err = game.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            game.kill()
            _, err = game.communicate()
            failures.append("the window did not end after %d frames" % FRAMES)
        with open(recording) as f:
            lines = f.read().splitlines()
        if not any("key-down SPACE" in l for l in lines) or not any("key-up RIGHT" in l for l in lines):
            failures.append("the recording lacks the keys pressed: %r" % lines[:20])
        replays = []
        for n in (1, 2):
            fresh_home(build, home)
            shot = os.path.join(work, "replay%d.png" % n)
            run = subprocess.run([ravok, "--home", home, "--headless", "--frames", str(FRAMES),
                                  "--input", recording, "--shot", "%d:%s" % (FRAMES, shot)],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
            if run.returncode != 0:
                failures.append("replay %d ended with %d: %s" % (n, run.returncode, run.stderr[-300:]))
            replays.append(shot)
        if all(os.path.exists(p) for p in replays):
            if png_pixels.differences(replays[0], replays[1]) != 0:
                failures.append("the two replays end on different frames")
            if not os.path.exists(window_frame):
                failures.append("the window saved no frame %d: %r" % (FRAMES, err[-300:]))
            elif png_pixels.differences(replays[0], window_frame) != 0:
                failures.append("the replay's frame %d is not the window's (%s pixels differ)" % (
                    FRAMES, png_pixels.differences(replays[0], window_frame)))
    finally:
        display.stop()
        if failures and os.environ.get("RAVOK_KEEP_TEST_FILES"):
            print("files kept in", work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
