#!/usr/bin/env python3
"""A page's cached reconstruction follows its classes: a class changed from
`extends Object` to `extends Char` (the page itself untouched) gets its
object made and run on the next start, not the old page code that left it
out.

Usage: page_cache_test.py RAVOK PROGRAM_HOME
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def play(ravok, home, game):
    # The walker ends the game itself at once; the frame limit only keeps a
    # page that never starts it from playing for ever.
    run = subprocess.run([ravok, "--home", home, "--headless", "--print", "--frames", "600", game],
                         capture_output=True, text=True, timeout=120)
    return run.stdout


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-page-cache-")
    failures = []
    try:
        game = os.path.join(work, "walker")
        shutil.copytree(os.path.join(HERE, "debugger_game"), game)
        source = os.path.join(game, "Walker.ravok")
        text = open(source, encoding="utf-8").read()
        # As Object the generator makes no running object; the game never
        # ends itself, so it plays a few frames.
        with open(source, "w", encoding="utf-8") as f:
            f.write(text.replace("extends Char;", "extends Object;"))
        run = subprocess.run([ravok, "--home", home, "--headless", "--print", "--frames", "5",
                              game], capture_output=True, text=True, timeout=120)
        if "walked" in run.stdout:
            failures.append("as Object the walker ran: %r" % run.stdout)
        with open(source, "w", encoding="utf-8") as f:
            f.write(text)
        out = play(ravok, home, game)
        if out != "total 6\nwalked\n":
            failures.append("after extends Char the walker did not run: %r" % out)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
