#!/usr/bin/env python3
"""Where saves go. A game copied read-only and played by a user who cannot
write it saves in the per-user folder ($XDG_DATA_HOME/ravok/<game id>/files),
reads its save back and still reads the data it ships in its own files/;
with no writable place at all, it says once that saving is off and plays on
(exit 0). A writable game keeps saving beside itself, and RAVOK_SAVES=user
(an exported game's launcher) moves its saves to the per-user folder.

The read-only runs need root to become `nobody` (setpriv); elsewhere they
are skipped with a message. No user is created.

Usage: saves_test.py RAVOK HOME
"""
import os
import shutil
import stat
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GAME = os.path.join(HERE, "saves_game")
GAME_ID = "save-test-tests"
EXPECTED = ["shipped: 1 level data", "writer: 1", "read back: 1 saved line"]


def play(ravok, home, game, env, as_nobody=False):
    args = [ravok, "--home", home, "--headless", "--print", "--frames", "3", game]
    if as_nobody:
        args = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + args
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          env=env, timeout=120)


def read_only(path):
    for root, dirs, files in os.walk(path):
        for name in dirs + files:
            p = os.path.join(root, name)
            os.chmod(p, os.stat(p).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))
    os.chmod(path, os.stat(path).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-saves-")
    os.chmod(work, 0o755)
    try:
        def check(name, run, lines, error=None, exit_status=0):
            out = run.stdout.splitlines()
            if out != lines:
                failures.append("%s: printed %r, expected %r\n%s" % (name, out, lines, run.stderr))
            if run.returncode != exit_status:
                failures.append("%s: exit status %d\n%s" % (name, run.returncode, run.stderr))
            if error is not None and run.stderr.count(error) != 1:
                failures.append("%s: standard error should say %r once:\n%s" %
                                (name, error, run.stderr))

        base_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8"}
        # A sanitizer build's settings (its leak suppressions) go along.
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                base_env[name] = os.environ[name]

        # Portable: a writable game saves beside itself.
        game = os.path.join(work, "portable")
        shutil.copytree(GAME, game)
        data = os.path.join(work, "data-portable")
        env = dict(base_env, HOME=work, XDG_DATA_HOME=data)
        check("a writable game", play(ravok, home, game, env), EXPECTED)
        if not os.path.isfile(os.path.join(game, "files", "save.txt")):
            failures.append("a writable game did not save beside itself")
        if os.path.exists(data):
            failures.append("a writable game wrote the per-user folder")

        # An exported game's launcher asks for the per-user folder.
        game = os.path.join(work, "exported")
        shutil.copytree(GAME, game)
        data = os.path.join(work, "data-exported")
        env = dict(base_env, HOME=work, XDG_DATA_HOME=data, RAVOK_SAVES="user")
        check("RAVOK_SAVES=user", play(ravok, home, game, env), EXPECTED)
        saved = os.path.join(data, "ravok", GAME_ID, "files", "save.txt")
        if not os.path.isfile(saved):
            failures.append("RAVOK_SAVES=user did not save in %s" % saved)
        if os.path.exists(os.path.join(game, "files", "save.txt")):
            failures.append("RAVOK_SAVES=user saved beside the game")

        if os.geteuid() != 0 or not shutil.which("setpriv"):
            print("skipped: the read-only runs need root and setpriv to play as nobody")
        else:
            # Read-only, played by nobody: the per-user folder.
            game = os.path.join(work, "installed")
            shutil.copytree(GAME, game)
            read_only(game)
            user_home = os.path.join(work, "nobody-home")
            os.makedirs(user_home)
            os.chmod(user_home, 0o777)
            env = dict(base_env, HOME=user_home, XDG_DATA_HOME=os.path.join(user_home, "data"),
                       XDG_CACHE_HOME=os.path.join(user_home, "cache"),
                       XDG_CONFIG_HOME=os.path.join(user_home, "config"))
            check("a read-only game", play(ravok, home, game, env, as_nobody=True), EXPECTED)
            saved = os.path.join(user_home, "data", "ravok", GAME_ID, "files", "save.txt")
            if not os.path.isfile(saved):
                failures.append("a read-only game did not save in %s" % saved)

            # Nowhere to write, not even the class caches or the settings:
            # said once, and the game plays.
            locked = os.path.join(work, "locked-home")
            os.makedirs(locked)
            os.chmod(locked, 0o555)
            env = dict(base_env, HOME=locked)
            run = play(ravok, home, game, env, as_nobody=True)
            check("no writable place", run,
                  ["shipped: 1 level data", "writer: 0", "read back: 0"],
                  error="Saving is off")
    finally:
        for root, dirs, _ in os.walk(work):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAILED: " + f)
    if not failures:
        print("ok: saves go beside a writable game, to the per-user folder otherwise, and a game "
              "with nowhere to save plays on")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
