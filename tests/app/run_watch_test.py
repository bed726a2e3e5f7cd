#!/usr/bin/env python3
"""Reload on save, headless (--headless --watch): a running game's class is
edited three times while it runs. A change reloads the page and the global
counter goes on from where it was; a change that does not compile is
reported with its position and the old page runs on; the next good save
reloads again. Then the files turn hostile: the class becomes a FIFO, the
page a folder, then a file past the 16 MB limit. Each is reported, the
running page goes on, and the player neither blocks nor aborts.

A game that starts broken waits for the fix, and plays once it is saved; so
does one whose process failed in a frame.

  run_watch_test.py RAVOK HOME
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PAGE = ('<resourcelist name="usr">\r\n <resourcelist name="classes">\r\n'
        '  <class name="Ticker" src="Ticker.ravok"/>\r\n </resourcelist>\r\n'
        ' <resourcelist name="gen">\r\n  <generator className="Ticker" name="$t"/>\r\n'
        ' </resourcelist>\r\n <resourcelist name="global">\r\n'
        '  <globalvalue name="$n" value="0"/>\r\n'
        ' </resourcelist>\r\n</resourcelist>\r\n')


def ticker(version, extra=""):
    # The title is set only at the first frame: after a reload it is there
    # only if it was kept.
    return ("extends Sprite;\r\nif ($n == 0) $title = \"kept\";\r\n"
            "while (1) {\r\n    $n++;\r\n%s"
            "    if ($n %% 20 == 0) print(\"%s \" + $n + \" \" + $title);\r\n"
            "    suspend();\r\n}\r\n" % (extra, version))


def reader(stream, lines):
    for raw in iter(stream.readline, b""):
        lines.put(raw.decode("utf-8", "replace").rstrip("\n"))


def wait_for(lines, prefix, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        try:
            line = lines.get(timeout=0.2)
        except queue.Empty:
            continue
        if line.startswith(prefix):
            return line
    return None


def save(path, text):
    # As editors do: a new file renamed into place.
    with open(path + ".tmp", "w", newline="") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def start(ravok, home, work, *extra):
    """The watched game of the folder work, its output and error lines read
    into queues as they come."""
    game = subprocess.Popen([ravok, "--home", home, "--headless", "--print", "--watch"] +
                            list(extra) + [os.path.join(work, "main.cmml")],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = queue.Queue(), queue.Queue()
    threading.Thread(target=reader, args=(game.stdout, out), daemon=True).start()
    threading.Thread(target=reader, args=(game.stderr, err), daemon=True).start()
    return game, out, err


def stop(game, failures):
    """Ends the game, which must still have been running."""
    if game.poll() is not None:
        failures.append("the player ended with status %d" % game.returncode)
    game.kill()
    game.wait()


def recovery(ravok, home):
    """Started with a syntax error, then a run-time error, each fixed by a save."""
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-watch-broken-")
    try:
        with open(os.path.join(work, "main.cmml"), "w", newline="") as f:
            f.write(PAGE)
        source = os.path.join(work, "Ticker.ravok")
        save(source, ticker("v1").replace("suspend();", "suspend()"))
        game, out, err = start(ravok, home, work, "--frames", "100000")
        if not wait_for(err, source + ":7:1: Syntax Error"):
            failures.append("the broken start was not reported")
        save(source, ticker("fixed"))
        if not wait_for(out, "fixed 40"):
            failures.append("the fixed class did not play after a broken start")
        # A division by zero ends the object's process in a frame.
        save(source, ticker("broken", "    if ($n > 50) $n = 1 / 0;\r\n"))
        if not wait_for(err, "The object's process ended."):
            failures.append("the failed frame was not reported")
        save(source, ticker("again"))
        if not wait_for(out, "again "):
            failures.append("the fixed class did not play after a failed frame")
        stop(game, failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return failures


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-watch-")
    failures = []
    try:
        with open(os.path.join(work, "main.cmml"), "w", newline="") as f:
            f.write(PAGE)
        source = os.path.join(work, "Ticker.ravok")
        save(source, ticker("v1"))
        game, out, err = start(ravok, home, work)
        first = wait_for(out, "v1 40")
        if not first:
            failures.append("the game did not run")
        save(source, ticker("v2"))
        second = wait_for(out, "v2 ")
        if not second:
            failures.append("the edited class did not come into play")
        else:
            n = int(second.split()[1])
            if n <= 40 or not second.endswith(" kept"):
                failures.append("the globals did not survive the reload: %r" % second)
        if not wait_for(err, "ravok: reloaded after a change to Ticker.ravok"):
            failures.append("the reload was not reported")
        save(source, ticker("v3", "    if (\r\n"))
        report = wait_for(err, source)
        if not report or ":5:" not in report:
            failures.append("the broken class was not reported at its line: %r" % report)
        if not wait_for(err, "ravok: not reloaded: Ticker.ravok did not compile"):
            failures.append("no word that the running page is kept")
        if not wait_for(out, "v2 "):
            failures.append("the old page stopped after the broken save")
        save(source, ticker("v4"))
        fourth = wait_for(out, "v4 ")
        if not fourth or int(fourth.split()[1]) <= int(second.split()[1] if second else 0):
            failures.append("the good save after the broken one did not reload: %r" % fourth)
        page = os.path.join(work, "main.cmml")
        os.remove(source)
        os.mkfifo(source)
        if not wait_for(err, "ravok: not reloaded: Ticker.ravok"):
            failures.append("a class turned FIFO was not reported")
        if not wait_for(out, "v4 "):
            failures.append("the game stopped when its class became a FIFO")
        save(source, ticker("v5"))
        if not wait_for(out, "v5 "):
            failures.append("the class saved over the FIFO did not reload")
        os.remove(page)
        os.mkdir(page)
        if not wait_for(err, "ravok: " + page + ": the page cannot be read"):
            failures.append("a page turned folder was not reported")
        if not wait_for(out, "v5 "):
            failures.append("the game stopped when its page became a folder")
        os.rmdir(page)
        save(page, PAGE + " " * (17 << 20))
        if not wait_for(err, "ravok: " + page + ": the page cannot be read"):
            failures.append("a page past the limit was not reported")
        if not wait_for(out, "v5 "):
            failures.append("the game stopped when its page grew past the limit")
        stop(game, failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    failures += recovery(ravok, home)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
