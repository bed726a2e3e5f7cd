#!/usr/bin/env python3
"""The window at its limits under a virtual X server: an error whose message
quotes a megabyte of text shows a box that fits the screen, with the whole
report behind Copy; a --gif or --shot the run ends before is said and makes
the exit status 3, as headless.

  run_window_limits_test.py RAVOK HOME
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, answer_with_return, xdotool, wait_for_window  # noqa: E402

PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Game" src="Game.ravok"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Game" name="$g"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')

# valueOf quotes the text it cannot read as a number.
LONG_ERROR = ('extends Char;\r\ns = "9";\r\nfor (i = 0; i < 20; i++) s = s + s;\r\n'
              'n = valueOf(s);\r\nwhile (1) suspend();\r\n')
TICKER = 'extends Char;\r\nwhile (1) suspend();\r\n'


def game(folder, source):
    os.makedirs(folder)
    with open(os.path.join(folder, "Game.ravok"), "w", newline="") as f:
        f.write(source)
    with open(os.path.join(folder, "main.cmml"), "w", newline="") as f:
        f.write(PAGE)
    return os.path.join(folder, "main.cmml")


def geometry(display, window):
    words = xdotool(display, "getwindowgeometry", window)
    at = [w for w in words if "," in w and w.replace(",", "").replace("-", "").isdigit()]
    size = [w for w in words if "x" in w and w[0].isdigit()]
    x, y = (int(v) for v in at[0].split(","))
    width, height = (int(v) for v in size[0].split("x"))
    return x, y, width, height


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-limits-")
    display = Display(work)
    try:
        page = game(os.path.join(work, "long"), LONG_ERROR)
        # A file, not a pipe: the report is a megabyte, more than a pipe holds
        # while nobody reads it.
        report = open(os.path.join(work, "report.txt"), "w+b")
        player = subprocess.Popen([ravok, "--home", home, "--frames", "120", page],
                                  env=display.env(), stdout=subprocess.DEVNULL, stderr=report)
        box = wait_for_window(display, "^Ravok$", 120)
        if not box:
            failures.append("no error box appeared")
        else:
            x, y, width, height = geometry(display, box)
            if y < 0 or height > 768 or width > 1024:
                failures.append("the error box is %dx%d at y %d on a 1024x768 screen" %
                                (width, height, y))
            answer_with_return(display, box, "^Ravok$", 20)
        try:
            status = player.wait(timeout=120)
            if status != 3:
                failures.append("after the error the player exited with %d, not 3" % status)
        except subprocess.TimeoutExpired:
            player.kill()
            player.wait()
            failures.append("the player did not go on after the error box")
        report.seek(0)
        err = report.read().decode("utf-8", "replace")
        report.close()
        if err.count("9" * 1000) == 0:
            failures.append("standard error lacks the whole report")

        # A GIF and a shot past the last frame the run reaches.
        page = game(os.path.join(work, "short"), TICKER)
        gif, shot = os.path.join(work, "cut.gif"), os.path.join(work, "late.png")
        run = subprocess.run([ravok, "--home", home, "--frames", "30", "--gif", "10:100:" + gif,
                              "--shot", "500:" + shot, page], env=display.env(),
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
        err = run.stderr.decode("utf-8", "replace")
        if run.returncode != 3:
            failures.append("a window run that ended before its captures exited with %d, not 3"
                            % run.returncode)
        if "frames 10 to 100 were not all presented" not in err:
            failures.append("the cut GIF was not reported: %r" % err[-500:])
        if "frame 500 was not presented" not in err:
            failures.append("the missing shot was not reported: %r" % err[-500:])
        if not os.path.exists(gif):
            failures.append("the frames the GIF did record were not kept")
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
