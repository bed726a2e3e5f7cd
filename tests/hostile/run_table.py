#!/usr/bin/env python3
"""Plays every row of a table of hostile inputs and checks what must happen.

  run_table.py RAVOK BUILD_DIR TABLE [--per-user]

With --per-user every row plays as an exported game does (RAVOK_SAVES=user):
the `files` folder its setup made moves to the per-user folder before the
run, the run must write nothing into the row's folder, and `unchanged:`
files under files/ are looked for in the per-user folder.

A table is a text file of rows. A row starts with `=== NAME`, then settings,
then the row's files, each after a line `--- FILE` (a path relative to the
row's folder; the text is written in Shift-JIS, as the player reads sources):

  mode: run | page | check   run: `ravok --run FIRST.ravok OTHERS.ravok`;
                   page: a headless run of the row's folder, whose main.cmml
                   is written from `class:` and `gen:` unless a file gives it;
                   check: `ravok --check main.cmml`;
                   args: the player with the words of `args:` (in the row's folder)
  args: WORDS      the command line of an `args` row, split at spaces
  class: NAME      a class of the page (its source is NAME.ravok; repeatable)
  gen: CLASS $VAR  a generator of the page (repeatable)
  frames: N        frames of a page run (default 30)
  input: FILE      a page run reads its --input events from FILE of the row
  shot: N          also present frame N of a page run, as a --shot does (a
                   headless run draws only the frames it shows)
  exit: N          the exit status; `any` accepts every normal exit (default 0)
  error: TEXT      standard error must contain TEXT (repeatable)
  no-error: TEXT   standard error must not contain TEXT (repeatable)
  out: TEXT        standard output must contain this line (repeatable)
  no-out: TEXT     standard output must not contain this line (repeatable)
  lines: N         standard output has exactly N lines
  setup: COMMAND   a shell command run in the row's folder first (links,
                   modes, ...); `$OUTSIDE` names a folder beside it that the
                   game must never write to
  outside-empty: yes  `$OUTSIDE` must hold nothing afterwards
  writes-under: DIR   every file the run creates in the row's folder lies under
                   DIR (the project file the player makes beside a page aside)
  unchanged: FILE  FILE of the row's folder must be byte for byte what it was
                   before the run (repeatable)
  before-exec: COMMAND  a shell command run in the shell that then becomes
                   the player (exec), so `$$` is the player's process id
  teardown: COMMAND  a shell command run in the row's folder afterwards
  skip-if: COMMAND the row is skipped (and says so) when COMMAND succeeds
  per-user: skip   the row is left out of --per-user runs (an attack a
                   process of the harness keeps aiming at the row's folder)
  timeout: S       seconds before the run counts as hung (default 60)
  heavy: yes       skipped in a sanitizer build (RAVOK_SANITIZED set), where
                   ten million elements take minutes

Every row also requires that the player was not killed by a signal: a crash
never passes, whatever the row expects.
"""
import os
import re
import shutil
import signal
import subprocess
import sys


def parse(path):
    rows, row, current = [], None, None
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith("=== "):
                row = {"name": line[4:].strip(), "settings": [], "files": []}
                rows.append(row)
                current = None
            elif row is None:
                continue
            elif line.startswith("--- "):
                current = [line[4:].strip(), []]
                row["files"].append(current)
            elif current is not None:
                current[1].append(line)
            elif ":" in line and not line.startswith("#"):
                key, value = line.split(":", 1)
                row["settings"].append((key.strip(), value.strip()))
    return rows


def setting(row, key, default=None):
    values = [v for k, v in row["settings"] if k == key]
    return values[-1] if values else default


def settings(row, key):
    return [v for k, v in row["settings"] if k == key]


def all_files(folder):
    found = []
    for top, dirs, files in os.walk(folder):
        for f in files:
            found.append(os.path.relpath(os.path.join(top, f), folder))
    return found


def write_page(folder, row):
    classes = settings(row, "class")
    gens = settings(row, "gen")
    lines = ['<resourcelist name="usr">', ' <resourcelist name="classes">']
    for c in classes:
        lines.append('  <class name="%s" src="%s.ravok" category="usr"/>' % (c, c))
    lines += [' </resourcelist>', ' <resourcelist name="gen">']
    for g in gens:
        cls, var = g.split()
        lines.append('  <generator className="%s" name="%s"/>' % (cls, var))
    lines += [' </resourcelist>', '</resourcelist>']
    with open(os.path.join(folder, "main.cmml"), "w") as f:
        f.write("\n".join(lines) + "\n")


def per_user_files(data, folder):
    """The per-user files folder the player saves a page played alone in:
    the folder's name and the FNV-1a hash of its path, as the player makes
    them."""
    h = 2166136261
    for c in folder.encode():
        h = ((h ^ c) * 16777619) & 0xFFFFFFFF
    name = re.sub(r"[^a-z0-9_-]", "", os.path.basename(folder).lower().replace(" ", "-"))
    return os.path.join(data, "ravok", "%s-%08x" % (name, h), "files")


def play(ravok, build, row, work, per_user=False):
    folder = os.path.join(work, "game")
    outside = os.path.join(work, "outside")
    # The player's caches of an earlier run of this row would outlive the
    # folder (a page's reconstruction script is kept while the page is
    # unchanged): each row starts from none.
    flat = re.sub(r"[^@A-Za-z0-9_]", "", os.path.relpath(folder, build))
    temp = os.path.join(build, "Temp")
    for name in os.listdir(temp) if os.path.isdir(temp) else []:
        if flat in name:
            os.remove(os.path.join(temp, name))
    os.makedirs(folder)
    os.makedirs(outside)
    for name, text in row["files"]:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = "\n".join(text) + "\n"
        with open(path, "wb") as f:
            f.write(data.encode("cp932"))
    mode = setting(row, "mode", "run")
    if mode in ("page", "check") and not any(n == "main.cmml" for n, _ in row["files"]):
        write_page(folder, row)
    env = dict(os.environ, OUTSIDE=outside, BUILD=build)
    for command in settings(row, "setup"):
        subprocess.run(command, shell=True, cwd=folder, env=env, check=True)
    user_files = None
    if per_user:
        data = os.path.join(work, "data")
        env.update(RAVOK_SAVES="user", XDG_DATA_HOME=data)
        user_files = per_user_files(data, folder)
        os.makedirs(os.path.dirname(user_files), exist_ok=True)
        files = os.path.join(folder, "files")
        if os.path.ismount(files):
            # A small disk mounted there goes along.
            os.makedirs(user_files)
            subprocess.run(["mount", "--move", files, user_files], check=True)
            os.rmdir(files)
        elif os.path.lexists(files):
            os.rename(files, user_files)

    def located(name):
        if user_files and (name == "files" or name.startswith("files/")):
            return os.path.join(user_files, name[len("files/"):]) if name != "files" else user_files
        return os.path.join(folder, name)

    before = set(all_files(folder))
    kept = {}
    for name in settings(row, "unchanged"):
        with open(located(name), "rb") as f:
            kept[name] = f.read()
    if mode == "run":
        sources = [os.path.join(folder, n) for n, _ in row["files"] if n.endswith(".ravok")]
        args = ["--run"] + sources
    elif mode == "check":
        args = ["--check", os.path.join(folder, "main.cmml")]
    elif mode == "args":
        args = setting(row, "args", "").split()
    else:
        args = ["--headless", "--print", "--frames", setting(row, "frames", "30")]
        if setting(row, "input"):
            args += ["--input", os.path.join(folder, setting(row, "input"))]
        if setting(row, "shot"):
            args += ["--shot", "%s:%s" % (setting(row, "shot"), os.path.join(work, "shot.png"))]
        args.append(os.path.join(folder, "main.cmml"))
    command = [ravok, "--home", build] + args
    if setting(row, "before-exec"):
        # An exported game's files are in the per-user folder: what is
        # planted there is planted beside them.
        where = 'cd "%s" && ' % os.path.dirname(user_files) if user_files else ""
        command = ["sh", "-c", where + setting(row, "before-exec") + '\nexec "$@"',
                   "sh"] + command
    try:
        run = subprocess.run(command, cwd=folder, env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             timeout=float(setting(row, "timeout", "60")))
    except subprocess.TimeoutExpired:
        return ["hung (no exit within %s s)" % setting(row, "timeout", "60")]
    finally:
        for command in settings(row, "teardown"):
            subprocess.run(command, shell=True, cwd=folder, env=env)
        if user_files and os.path.ismount(user_files):
            subprocess.run(["umount", user_files])
    out = run.stdout.decode("utf-8", "replace").splitlines()
    err = run.stderr.decode("utf-8", "replace")
    failures = []
    if run.returncode < 0:
        failures.append("killed by %s" % signal.Signals(-run.returncode).name)
    want = setting(row, "exit", "0")
    if run.returncode >= 0 and want != "any" and run.returncode != int(want):
        failures.append("exit status %d, expected %s" % (run.returncode, want))
    for text in settings(row, "error"):
        if text not in err:
            failures.append("standard error lacks %r" % text)
    for text in settings(row, "no-error"):
        if text in err:
            failures.append("standard error has %r" % text)
    for text in settings(row, "out"):
        if text not in out:
            failures.append("standard output lacks the line %r" % text)
    for text in settings(row, "no-out"):
        if text in out:
            failures.append("standard output has the line %r" % text)
    lines = setting(row, "lines")
    if lines is not None and len(out) != int(lines):
        failures.append("%d lines of output, expected %s" % (len(out), lines))
    under = setting(row, "writes-under")
    if per_user:
        strays = [f for f in all_files(folder) if f not in before and not f.endswith(".ravokprj")]
        if strays:
            failures.append("an exported game wrote into its own folder: %s" % strays)
    elif under:
        strays = [f for f in all_files(folder) if f not in before and not f.endswith(".ravokprj")
                  and not f.startswith(under.rstrip("/") + "/")]
        if strays:
            failures.append("wrote outside %s: %s" % (under, strays))
    if setting(row, "outside-empty") == "yes" and os.listdir(outside):
        failures.append("wrote outside the game: %s" % os.listdir(outside))
    for name, data in kept.items():
        path = located(name)
        if not os.path.exists(path) or open(path, "rb").read() != data:
            failures.append("%s was changed or lost" % name)
    if failures:
        failures.append("--- standard output ---\n%s\n--- standard error ---\n%s" % (
            "\n".join(out[-20:]), err[-3000:]))
    return failures


def main():
    ravok, build, table = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    rows = parse(table)
    base = os.path.join(build, "hostile", os.path.splitext(os.path.basename(table))[0] +
                        ("-per-user" if "--per-user" in sys.argv[4:] else ""))
    shutil.rmtree(base, ignore_errors=True)
    failed = skipped = 0
    for i, row in enumerate(rows):
        skip = setting(row, "skip-if")
        if setting(row, "heavy") == "yes" and os.environ.get("RAVOK_SANITIZED"):
            print("skipped: %s (heavy, in a sanitizer build)" % row["name"])
            skipped += 1
            continue
        if "--per-user" in sys.argv[4:] and setting(row, "per-user") == "skip":
            print("skipped: %s (not a per-user row)" % row["name"])
            skipped += 1
            continue
        if skip and subprocess.run(skip, shell=True).returncode == 0:
            print("skipped: %s (%s)" % (row["name"], skip))
            skipped += 1
            continue
        work = os.path.join(base, "%03d" % i)
        failures = play(ravok, build, row, work, "--per-user" in sys.argv[4:])
        if failures:
            failed += 1
            print("FAILED: %s\n  %s" % (row["name"], "\n  ".join(failures)))
        else:
            print("ok: %s" % row["name"])
    print("%d rows, %d passed, %d skipped, %d failed" % (
        len(rows), len(rows) - failed - skipped, skipped, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
