#!/usr/bin/env python3
"""The command line's answers to mistakes a newcomer makes: a misspelt page
is an error naming it, headless and for the window alike; a folder or a
project file plays its game, or says what it lacks; and --check warns
about the traps that run without an error, each warning by its name, which
--no-warn switches off.

  command_line_test.py RAVOK HOME
"""
import os
import subprocess
import sys
import shutil
import tempfile

TRAPS = """total = 0;
i = 0;
while (i < 3) {
    i++;
    if (i == 2) continue;
    total = total + i;
}
print(totl + 1);
add(1, 2, 3);
function add(a, b) {
    var c, d;
    if (a) c = 1; else c = 2;
    print(c + d);
    return c;
}
if (null < 1) print("x");
if (total > 5) print("total is assigned: no warning");
"""

WARNINGS = [
    ("lone-name", "traps.ravok:5:17: warning: continue; is a name alone and does nothing"),
    ("unassigned", "traps.ravok:8:7: warning: totl is read, but nothing assigns it; "
                   "it reads as null (did you mean total?) [unassigned]"),
    ("extra-arguments", "traps.ravok:9:1: warning: add takes 2 arguments and is given 3"),
    ("unassigned", "traps.ravok:13:15: warning: the local variable d is read before"),
    ("null-compare", "traps.ravok:16:10: warning: null on the left of < compares as always false"),
]


def check_traps(ravok, home, folder):
    failures = []
    with open(os.path.join(folder, "traps.ravok"), "w") as f:
        f.write(TRAPS)
    os.chdir(folder)
    status, err = run([ravok, "--home", home, "--check", "traps.ravok"])
    lines = [l for l in err.splitlines() if ": warning: " in l]
    if status != 0:
        failures.append("--check of code that compiles ended with %d" % status)
    for _, w in WARNINGS:
        if not any(l.startswith(w) for l in lines):
            failures.append("--check did not warn %r:\n%s" % (w, err))
    if len(lines) != len(WARNINGS):
        failures.append("--check warned %d times, not %d:\n%s" % (len(lines), len(WARNINGS), err))
    status, err = run([ravok, "--home", home, "--check", "--no-warn", "unassigned",
                       "--no-warn", "lone-name", "traps.ravok"])
    left = [l for l in err.splitlines() if ": warning: " in l]
    if any("[unassigned]" in l or "[lone-name]" in l for l in left) or len(left) != 2:
        failures.append("--no-warn left %r" % left)
    status, err = run([ravok, "--home", home, "--check", "--no-warn", "typo", "traps.ravok"])
    if status == 0 or "no warning is called typo" not in err:
        failures.append("--no-warn accepted a name that is no warning: %d %r" % (status, err))
    return failures


PAGE = """<resourcelist name="usr">
 <resourcelist name="classes">
  <class name="%(cls)s" src="%(cls)s.ravok" category="usr"/>
 </resourcelist>
 <resourcelist name="gen">
  <generator className="%(cls)s" name="$%(cls)s"/>
 </resourcelist>
</resourcelist>
"""

PROJECT = """<resourcelist name="project">
 <resourcelist name="pages">
  <page name="$page_first" src="first.cmml"/>
  <page name="$page_second" src="second.cmml"/>
 </resourcelist>
 <resourcelist name="params">
  <param name="mainPage" value="$page_second"/>
 </resourcelist>
</resourcelist>
"""


def write_page(folder, page, cls):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, page), "w") as f:
        f.write(PAGE % {"cls": cls})
    with open(os.path.join(folder, cls + ".ravok"), "w") as f:
        f.write("extends Char;\nprint(\"%s runs\");\n" % cls)


def check_opening(ravok, home, folder, env):
    """ravok FOLDER and ravok FILE.ravokprj, headless and for the window."""
    failures = []
    game = os.path.join(folder, "quiz")
    write_page(game, "first.cmml", "First")
    write_page(game, "second.cmml", "Second")
    with open(os.path.join(game, "quiz.ravokprj"), "w") as f:
        f.write(PROJECT)
    single = os.path.join(folder, "single")
    write_page(single, "only.cmml", "Only")
    several = os.path.join(folder, "several")
    write_page(several, "a.cmml", "A")
    write_page(several, "b.cmml", "B")
    empty = os.path.join(folder, "empty")
    os.makedirs(empty, exist_ok=True)
    bare = os.path.join(folder, "bare.ravokprj")
    with open(bare, "w") as f:
        f.write('<resourcelist name="project">\n <resourcelist name="pages">\n'
                ' </resourcelist>\n</resourcelist>\n')
    plays = [(game, "Second runs"), (os.path.join(game, "quiz.ravokprj"), "Second runs"),
             (single, "Only runs")]
    for target, printed in plays:
        r = subprocess.run([ravok, "--home", home, "--headless", "--frames", "2", "--print",
                            target], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        out = r.stdout.decode("utf-8", "replace")
        if r.returncode != 0 or printed not in out:
            failures.append("ravok %s: exit %d, printed %r, %r" %
                            (target, r.returncode, out, r.stderr.decode("utf-8", "replace")))
    refused = [(empty, "holds no page (.cmml)"), (several, "holds 2 pages and no project"),
               (bare, "the project lists no pages")]
    for target, said in refused:
        for args in ([ravok, "--home", home, "--headless", target], [ravok, "--home", home, target]):
            status, err = run(args, env)
            if status != 1 or (target + ": ") not in err or said not in err:
                failures.append("%s: exit %d, %r" % (" ".join(args[3:]), status, err))
    return failures


def check_game_forms(ravok, home, folder):
    """--check of a page and of a project warns as --check of the files does;
    files name each other in any order; page globals and inst_ values count
    as assigned; a page whose class does not compile says why."""
    failures = []
    game = os.path.join(folder, "checked")
    os.makedirs(game, exist_ok=True)
    with open(os.path.join(game, "Traps.ravok"), "w") as f:
        f.write("extends Char;\n" + TRAPS)
    with open(os.path.join(game, "Ship.ravok"), "w") as f:
        f.write("extends Char;\nfunction fire() { s = new Shot(); s.go(speed); return s; }\n"
                "print($lives);\n")
    with open(os.path.join(game, "Shot.ravok"), "w") as f:
        f.write("extends Char;\nfunction go(v) { print(v); }\n")
    with open(os.path.join(game, "main.cmml"), "w") as f:
        f.write('<resourcelist name="usr">\n <resourcelist name="classes">\n'
                '  <class name="Traps" src="Traps.ravok" category="usr"/>\n'
                '  <class name="Ship" src="Ship.ravok" category="usr"/>\n'
                '  <class name="Shot" src="Shot.ravok" category="usr"/>\n'
                ' </resourcelist>\n <resourcelist name="gen">\n'
                '  <generator className="Traps" name="$traps"/>\n'
                '  <generator className="Ship" name="$ship" inst_speed="3"/>\n'
                ' </resourcelist>\n <resourcelist name="global">\n'
                '  <globalvalue name="$lives" value="3"/>\n'
                ' </resourcelist>\n</resourcelist>\n')
    with open(os.path.join(game, "game.ravokprj"), "w") as f:
        f.write('<resourcelist name="project">\n <resourcelist name="pages">\n'
                '  <page name="$page_main" src="main.cmml"/>\n'
                ' </resourcelist>\n</resourcelist>\n')
    for target in ("main.cmml", "game.ravokprj"):
        status, err = run([ravok, "--home", home, "--check", os.path.join(game, target)])
        lines = [l for l in err.splitlines() if ": warning: " in l]
        if status != 0 or len(lines) != len(WARNINGS):
            failures.append("--check %s: exit %d, %d warnings, not %d:\n%s" %
                            (target, status, len(lines), len(WARNINGS), err))
        for _, w in WARNINGS:
            w = w.replace("traps.ravok:", "Traps.ravok:").split(":", 1)[1]
            w = w.split(":", 2)
            want = "Traps.ravok:%d:%s" % (int(w[0]) + 1, w[1] + ":" + w[2])
            if not any(want in l for l in lines):
                failures.append("--check %s did not warn %r" % (target, want))
    os.chdir(game)
    status, err = run([ravok, "--home", home, "--check", "Ship.ravok", "Shot.ravok"])
    if status != 0 or err:
        failures.append("--check Ship.ravok Shot.ravok: exit %d, %r" % (status, err))
    with open(os.path.join(game, "Shot.ravok"), "w") as f:
        f.write("extends Char;\nfunction go(v) { print(v) }\n")
    status, err = run([ravok, "--home", home, "--check", "main.cmml"])
    if status != 1 or "Shot.ravok:2:27: Syntax Error" not in err:
        failures.append("--check of a page with a broken class: exit %d, %r" % (status, err))
    return failures


def check_missing_arguments(ravok, home, folder):
    """A kernel method called with fewer arguments than it needs is warned
    about; a class's own method of that name is not."""
    failures = []
    path = os.path.join(folder, "Short.ravok")
    with open(path, "w") as f:
        f.write('extends Sprite;\ndrawText(10, 20);\ndrawText(1, 2, "ok");\n'
                'fillRect(0, 0, 10);\nfunction drawLine(a) { return a; }\ndrawLine(1);\n')
    status, err = run([ravok, "--home", home, "--check", path])
    lines = [l for l in err.splitlines() if ": warning: " in l]
    want = ["Short.ravok:2:1: warning: drawText needs 3 arguments and is given 2; the missing "
            "ones are null, and the call does not do what it is for [missing-arguments]",
            "Short.ravok:4:1: warning: fillRect needs 4 arguments and is given 3; the missing "
            "ones are null, and the call does not do what it is for [missing-arguments]"]
    if status != 0 or [l[l.index("Short.ravok"):] for l in lines] != want:
        failures.append("missing arguments: exit %d, %r" % (status, lines))
    return failures


def run(args, env=None):
    r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60, env=env)
    return r.returncode, r.stderr.decode("utf-8", "replace")


def main():
    ravok, home = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
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
    failures += check_opening(ravok, home, folder, env)
    failures += check_traps(ravok, home, folder)
    failures += check_game_forms(ravok, home, folder)
    failures += check_missing_arguments(ravok, home, folder)
    shutil.rmtree(folder, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
