#!/usr/bin/env python3
"""The script dialog boxes and the about box under a virtual X server, used
as a player would: typing (Latin and Japanese) into an input box, Cancel and
the close button, select boxes with two and four buttons, the text editor
losing the focus and, reopened, ended by Return, and the about box opened twice from the menu, which moves the scripts'
random sequence.

  run_dialog_test.py RAVOK HOME
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, poll, xdotool, wait_for_window  # noqa: E402
from x_close import close_window  # noqa: E402

GAME = r'''extends Char;
// Past the splash first.
t = 0;
while (t < 150) { t++; suspend(); }
box = new InputBox();
box.open("Typed", "Your name:", "");
while (box.status() == 0) suspend();
print("typed " + box.status() + " " + box.getText());
box.open("Cancelled");
while (box.status() == 0) suspend();
print("cancelled " + box.status());
box.open("Closed");
while (box.status() == 0) suspend();
print("closed " + box.status());
sel = new SelectBox();
sel.open("Two buttons", "Two", "&One", "&Two", "null", "null");
while (sel.status() == 0) suspend();
print("two " + sel.status());
sel.open("Four buttons", "Four", "&One", "&Two", "T&hree", "&Four");
while (sel.status() == 0) suspend();
print("four " + sel.status());
sel.open("Close me", "Shut", "&One", "&Two", "null", "null");
while (sel.status() == 0) suspend();
print("shut " + sel.status());
ed = new TextEditor();
ed.edit(40, 30, 1, 12, "MS Gothic", 20, 160);
print("editing " + ed.isEditing());
while (ed.isEditing()) suspend();
print("edited " + ed.isEditing() + " " + ed.getText());
ed.edit(40, 30, 1, 12, "MS Gothic", 20, 160);
while (ed.isEditing()) suspend();
print("entered " + ed.isEditing() + " " + ed.getText());
print("ready");
while (getkey($KEY_R) == 0) suspend();
print("rnd " + rnd(1000000));
sys = new System();
sys.exit();
'''

PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Ask" src="Ask.ravok"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Ask" name="$ask"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')

PROJECT = ('<resourcelist name="project">\r\n <resourcelist name="pages">\r\n'
           '  <page name="$page_main" src="main.cmml"/>\r\n </resourcelist>\r\n'
           ' <resourcelist name="params">\r\n  <param name="mainPage" value="$page_main"/>\r\n'
           '  <param name="title" value="Dialog test"/>\r\n  <param name="version" value="0.9"/>\r\n'
           '  <param name="author" value="Tester"/>\r\n </resourcelist>\r\n</resourcelist>\r\n')


def focus_and(display, window, *keys):
    """Keys typed into a window; no window manager runs, so focus it first."""
    xdotool(display, "windowfocus", "--sync", window)
    time.sleep(0.2)
    for k in keys:
        xdotool(display, *k)
        time.sleep(0.15)


def wait_line(game, prefix, seconds=20):
    """The next line of standard output, which must begin with prefix."""
    end = time.time() + seconds
    while time.time() < end:
        line = game.stdout.readline().decode("utf-8", "replace").rstrip("\n")
        if line or game.poll() is not None:
            return line
    return ""


def play(ravok, home, display, folder, with_about):
    failures, about_lines = [], []
    game = subprocess.Popen([ravok, "--home", home, "--print", "--log", "--frames", "6000",
                             os.path.join(folder, "main.cmml")], env=display.env(),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        main = wait_for_window(display, "Dialog test")
        steps = [
            # Japanese text reaches the script as the system's Shift-JIS text.
            # xdotool types a character the keyboard lacks by mapping it to a
            # spare key for a moment: slowly, so that a loaded player reads
            # each key before the mapping moves on.
            ("^Typed$", [("type", "--delay", "250", "Hanako花子"), ("sleep", "1"), ("key", "Return")],
             "typed 1 Hanako花子"),
            ("^Cancelled$", [("key", "Escape")], "cancelled 2"),
            ("^Closed$", None, "closed 2"),
            # Tab moves among the shown buttons only: with two, twice Tab comes
            # back to the first.
            ("^Two$", [("key", "Tab"), ("key", "Tab"), ("key", "Return")], "two 1"),
            ("^Four$", [("key", "alt+f")], "four 4"),
            ("^Shut$", None, "shut -1"),
        ]
        for title, keys, expected in steps:
            w = wait_for_window(display, title, 90)
            if not w:
                failures.append("no window %s appeared" % title)
                return failures, about_lines
            time.sleep(0.3)
            if keys is None:
                close_window(display.name, w)
            else:
                focus_and(display, w, *keys)
            line = wait_line(game, expected)
            if line != expected:
                failures.append("%s: the script saw %r, not %r" % (title, line, expected))
        line = wait_line(game, "editing")
        if line != "editing 1":
            failures.append("the text editor was not editing when shown (%r)" % line)
        # Typed once the editor's window has the keyboard focus.
        editor = poll(lambda: [w for w in xdotool(display, "getwindowfocus") if w != main], 30)
        xdotool(display, "type", "abc")
        time.sleep(0.3)
        if main:
            xdotool(display, "windowfocus", "--sync", main)
        line = wait_line(game, "edited")
        if line != "edited 0 abc":
            failures.append("after the focus left the editor (window %r) the script saw %r"
                            % (editor, line))
        # Reopened, it takes the focus again (its text selected, as a field
        # entered is), and Return ends the one-line edit.
        editor = poll(lambda: [w for w in xdotool(display, "getwindowfocus") if w != main], 30)
        xdotool(display, "type", "d")
        xdotool(display, "key", "Return")
        line = wait_line(game, "entered")
        if line != "entered 0 d":
            failures.append("Return in the one-line editor (window %r): the script saw %r"
                            % (editor, line))
        if wait_line(game, "ready") != "ready":
            failures.append("the script did not get past the editor")
        if with_about and main:
            for _ in range(2):
                focus_and(display, main, ("key", "alt+h"), ("key", "a"))
                box = wait_for_window(display, "^Application Properties$", 30)
                if not box:
                    failures.append("the about box did not appear from the menu")
                    break
                time.sleep(0.3)
                focus_and(display, box, ("key", "Return"))
                time.sleep(0.3)
        if main:
            focus_and(display, main, ("keydown", "r"))
            time.sleep(0.3)
            xdotool(display, "keyup", "r")
        line = wait_line(game, "rnd")
        game.wait(timeout=30)
        err = game.stderr.read().decode("utf-8", "replace")
        about_lines = [l for l in err.splitlines() if l.startswith("About:")]
        return failures, about_lines + [line]
    finally:
        if game.poll() is None:
            game.kill()


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-dialogs-")
    display = Display(work)
    try:
        runs = []
        for with_about in (True, False):
            folder = os.path.join(work, "about" if with_about else "plain")
            os.makedirs(folder)
            with open(os.path.join(folder, "Ask.ravok"), "w") as f:
                f.write(GAME.replace("\n", "\r\n"))
            with open(os.path.join(folder, "main.cmml"), "w") as f:
                f.write(PAGE)
            with open(os.path.join(folder, "default.ravokprj"), "w") as f:
                f.write(PROJECT)
            found, lines = play(ravok, home, display, folder, with_about)
            failures += found
            runs.append(lines)
        about, plain = runs
        shown = [l for l in about if l.startswith("About:")]
        if len(shown) != 2:
            failures.append("the about box was shown %d times, not twice: %r" % (len(shown), about))
        else:
            if shown[0] != shown[1]:
                failures.append("the about box showed different numbers: %r" % shown)
            if not re.search(r"title=Dialog test version=0\.9 author=Tester mail= web= ", shown[0]) \
                    or not re.search(r"AppID=\d+ kerID=\d+ Ravok System ver 1\.27", shown[0]):
                failures.append("the about box did not show the project's parameters: %r" % shown[0])
        if not about or not plain or not about[-1].startswith("rnd ") or not plain[-1].startswith("rnd "):
            failures.append("no random number was printed (%r, %r)" % (about[-1:], plain[-1:]))
        elif about[-1] == plain[-1]:
            failures.append("showing the about box did not move rnd (%s both times)" % plain[-1])
    finally:
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
