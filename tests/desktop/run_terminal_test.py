#!/usr/bin/env python3
"""The window player as an author meets it from the terminal, under a
virtual X server: a run-time error shows a box with the author's file, line,
source line and call trace, whose Copy button puts that report on the
clipboard; and Ctrl+C (SIGINT) ends the window, with exit
status 0 and the MIDI helper gone.

  run_terminal_test.py RAVOK HOME
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_desktop_test import Display, poll, xdotool, wait_for_window  # noqa: E402

GAME = r'''extends Char;
t = 0;
while (t < 120) { t++; suspend(); }
print("failing");
x = outer();
function outer() { return inner(); }
function inner() {
    list = new Array();
    return list.get(5);
}
'''

PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Fails" src="Fails.ravok"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Fails" name="$f"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')

PROJECT = ('<resourcelist name="project">\r\n <resourcelist name="pages">\r\n'
           '  <page name="$page_main" src="main.cmml"/>\r\n </resourcelist>\r\n'
           ' <resourcelist name="params">\r\n  <param name="mainPage" value="$page_main"/>\r\n'
           '  <param name="title" value="Terminal test"/>\r\n </resourcelist>\r\n</resourcelist>\r\n')


def children_named(pid, name):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        comm = stat[stat.find("(") + 1:stat.rfind(")")]
        ppid = int(stat[stat.rfind(")") + 2:].split()[1])
        if ppid == pid and comm.startswith(name):
            found.append(int(entry))
    return found


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-terminal-")
    display = Display(work)
    folder = os.path.join(work, "game")
    os.makedirs(folder)
    source = os.path.join(folder, "Fails.ravok")
    with open(source, "w") as f:
        f.write(GAME.replace("\n", "\r\n"))
    with open(os.path.join(folder, "main.cmml"), "w") as f:
        f.write(PAGE)
    with open(os.path.join(folder, "default.ravokprj"), "w") as f:
        f.write(PROJECT)
    game = subprocess.Popen([ravok, "--home", home, "--print", os.path.join(folder, "main.cmml")],
                            env=display.env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        if not wait_for_window(display, "Terminal test", 30):
            failures.append("the game's window did not appear")
            return report(failures)
        box = wait_for_window(display, "^Ravok$", 30)
        if not box:
            failures.append("no error box appeared")
        else:
            time.sleep(0.5)
            xdotool(display, "windowfocus", "--sync", box)
            time.sleep(0.2)
            xdotool(display, "key", "alt+c")
            # The clipboard holds the report once the box has handled the key.
            def clipboard():
                text = subprocess.run(["xclip", "-o", "-selection", "clipboard"],
                                      env=display.env(), stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, timeout=10).stdout.decode("utf-8")
                return text if "call trace" in text else None
            copied = poll(clipboard, 30) or ""
            wanted = [source + ":9:5: List index out of bounds (5)",
                      " 9 |     return list.get(5);",
                      "call trace, innermost first:",
                      "in Array.get (kernel)",
                      "  at %s:9:5 in Fails.inner" % source,
                      "  at %s:6:20 in Fails.outer" % source,
                      "  at %s:5:1 in Fails" % source]
            for w in wanted:
                if w not in copied:
                    failures.append("the copied report lacks %r:\n%s" % (w, copied))
            xdotool(display, "key", "Return")
        helpers = poll(lambda: children_named(game.pid, "midiPlayer2"), 30) or []
        if not helpers:
            failures.append("no MIDI helper was running beside the window")
        # How soon it ends is the machine's; that it ends is the player's.
        game.send_signal(signal.SIGINT)
        try:
            status = game.wait(timeout=60)
        except subprocess.TimeoutExpired:
            failures.append("SIGINT did not end the window player")
            return report(failures)
        if status != 0:
            failures.append("the player ended with %d after SIGINT, not 0" % status)
        poll(lambda: not any(alive(h) for h in helpers), 30)
        if any(alive(h) for h in helpers):
            failures.append("the MIDI helper outlived the player")
        err = game.stderr.read().decode("utf-8", "replace")
        if "no sound device" in err:
            failures.append("the MIDI helper spoke of sound devices though no MIDI file played")
    finally:
        if game.poll() is None:
            game.kill()
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    return report(failures)


def report(failures):
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
