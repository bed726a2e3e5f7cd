#!/usr/bin/env python3
"""Runs the examples of a page of docs/ that are marked to run: each fenced
block right after a line `<!-- run -->` is played with `ravok --run` from a
scratch copy of the program directory (so files it writes land there), and
must end normally and print what its comments say: a line that begins with
print(...) and ends with `// TEXT` expects TEXT (up to a first ": " or ", ",
which begin an explanation), in order, and nothing else may be printed.

A block right after `<!-- file NAME -->` is a file of a game (a page, a class,
a project) written into one scratch game folder; a block right after
`<!-- play PAGE -->` holds what playing that page headless prints, line for
line (the game ends itself with System.exit()).

A block right after `<!-- from PATH -->` quotes a file of the repository
(the bundled game, which the game tests play): its lines must stand in that
file as they are, one after another, so the quote never drifts from the code.
A block right after `<!-- whole PATH -->` must be the whole file.

  run_doc_examples.py RAVOK HOME DOC.md
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile


ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def examples(path):
    """[(line, marker, code)] for the marked blocks: marker is "run" or the
    quoted file's path."""
    lines = open(path, encoding="utf-8").read().splitlines()
    found, i = [], 0
    while i < len(lines):
        m = re.match(r"<!-- (run|from (\S+)|file (\S+)|play (\S+)|whole (\S+)) -->$",
                     lines[i].strip())
        if m and i + 1 < len(lines) and lines[i + 1].startswith("```"):
            start = i + 2
            end = start
            while end < len(lines) and not lines[end].startswith("```"):
                end += 1
            if m.group(3):
                marker = ("file", m.group(3))
            elif m.group(4):
                marker = ("play", m.group(4))
            elif m.group(5):
                marker = "whole:" + m.group(5)
            else:
                marker = m.group(2) or "run"
            found.append((start + 1, marker, lines[start:end]))
            i = end
        i += 1
    return found


def file_lines(path):
    """A repository file's lines, read as the player reads a source."""
    with open(os.path.join(ROOT, path), "rb") as f:
        data = f.read()
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError:
        text = data.decode("cp932")
    return text.replace("\r\n", "\n").split("\n")


def quoted(code, path):
    """Whether the lines stand one after another in the file; for
    "whole:PATH", whether they are the whole file."""
    if path.startswith("whole:"):
        text = file_lines(path[len("whole:"):])
        while text and text[-1] == "":
            text.pop()
        return code == text
    text = file_lines(path)
    n = len(code)
    return any(text[i:i + n] == code for i in range(len(text) - n + 1))


def expected_output(code):
    out = []
    for line in code:
        m = re.match(r"\s*print\(.*\);\s*//\s?(.*)$", line)
        if m:
            out.append(re.split(r": |, ", m.group(1), maxsplit=1)[0].rstrip())
    return out


def game_block(ravok, work, where, marker, code):
    kind, name = marker
    folder = os.path.join(work, "game")
    os.makedirs(folder, exist_ok=True)
    if kind == "file":
        with open(os.path.join(folder, name), "wb") as f:
            f.write("\r\n".join(code).encode("cp932") + b"\r\n")
        return []
    run = subprocess.run([ravok, "--home", work, "--headless", "--print", "--frames", "3000",
                          os.path.join(folder, name)], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=120)
    out = run.stdout.decode("utf-8", "replace").splitlines()
    failures = []
    if run.returncode != 0:
        failures.append("%s: exit status %d\n%s" % (where, run.returncode,
                                                     run.stderr.decode("utf-8", "replace")))
    if out != code:
        failures.append("%s: the game printed %r, the page says %r" % (where, out, code))
    return failures


def main():
    ravok, home, doc = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3]
    blocks = examples(doc)
    if not blocks:
        print("%s: no examples marked <!-- run -->" % doc)
        return 1
    failures = []
    work = tempfile.mkdtemp(prefix="ravok-docs-")
    try:
        shutil.copytree(os.path.join(home, "Kernel"), os.path.join(work, "Kernel"))
        shutil.copyfile(os.path.join(home, "tones.wdt"), os.path.join(work, "tones.wdt"))
        for n, (line, marker, code) in enumerate(blocks):
            where = "%s:%d" % (os.path.basename(doc), line)
            if isinstance(marker, tuple):
                failures += game_block(ravok, work, where, marker, code)
                continue
            if marker != "run":
                if not quoted(code, marker):
                    failures.append("%s: the quote is not in %s as it stands" % (where, marker))
                continue
            script = os.path.join(work, "example%d.ravok" % n)
            with open(script, "wb") as f:
                f.write("\r\n".join(code).encode("cp932") + b"\r\n")
            run = subprocess.run([ravok, "--home", work, "--run", script], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=120)
            out = run.stdout.decode("utf-8", "replace").splitlines()
            want = expected_output(code)
            if run.returncode != 0:
                failures.append("%s: exit status %d\n%s" % (where, run.returncode,
                                                             run.stderr.decode("utf-8", "replace")))
            if out != want:
                failures.append("%s: printed %r, the comments say %r" % (where, out, want))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
