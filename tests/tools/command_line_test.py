#!/usr/bin/env python3
"""The command line's answers to mistakes a newcomer makes: a misspelt page
is an error naming it, headless and for the window alike.

  command_line_test.py RAVOK HOME
"""
import os
import subprocess
import sys
import tempfile


def run(args, env=None):
    r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60, env=env)
    return r.returncode, r.stderr.decode("utf-8", "replace")


def main():
    ravok, home = sys.argv[1], sys.argv[2]
    failures = []
    folder = tempfile.mkdtemp(prefix="ravok-cli-")
    missing = os.path.join(folder, "cacth.cmml")
    # With a display named the player would open its window; the page is
    # checked before that, so no display is needed to see the answer.
    env = dict(os.environ, DISPLAY=":987")
    for args in ([ravok, "--home", home, "--headless", missing],
                 [ravok, "--home", home, missing]):
        status, err = run(args, env)
        if status == 0 or (missing + ": no such page") not in err:
            failures.append("%s: exit %d, %r" % (" ".join(args[3:]), status, err))
    os.rmdir(folder)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
