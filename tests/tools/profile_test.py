#!/usr/bin/env python3
"""--profile: a headless run ends with the time analyzer's table on standard
error, sorted by total time; section 47 (a run of the root process) is
passed once a frame and section 0 (the whole measurement) once. The headers are in the reader's
language, and the figures rounded. Then the script methods by own time: a game
with one deliberately slow method lists it first, with its calls, its
instructions and where it is written.

  profile_test.py RAVOK HOME
"""
import os
import subprocess
import sys


def main():
    ravok, home = sys.argv[1], sys.argv[2]
    run = subprocess.run([ravok, "--home", home, "--headless", "--frames", "90", "--profile"],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    lines = run.stderr.decode("utf-8", "replace").splitlines()
    failures = []
    if run.returncode != 0:
        failures.append("exit status %d" % run.returncode)
    start = next((i for i, l in enumerate(lines) if l.startswith("profile (")), None)
    if start is None or len(lines) < start + 3:
        failures.append("no profile table in %r" % lines)
    else:
        end = next((i for i, l in enumerate(lines) if l.startswith("script methods")), len(lines))
        lines = lines[:end]
        header = lines[start + 1].split()
        if header != ["No.", "passes", "total", "ms", "%", "ms", "a", "pass"]:
            failures.append("the header row is %r" % header)
        rows = {int(r.split()[0]): [float(v) for v in r.split()[1:]] for r in lines[start + 2:]}
        if rows.get(47, [0])[0] != 90:
            failures.append("section 47 was passed %r times in 90 frames" % rows.get(47))
        if rows.get(0, [0])[0] != 1:
            failures.append("section 0 was passed %r times" % rows.get(0))
        totals = [float(r.split()[2]) for r in lines[start + 2:]]
        if totals != sorted(totals, reverse=True):
            failures.append("the rows are not sorted by total time: %r" % totals)
        if any(v[0] < 1 for v in rows.values()):
            failures.append("a section without passes is listed")
        shares = [r.split()[3] for r in lines[start + 2:]]
        if any(len(p.split(".")[-1]) != 1 for p in shares):
            failures.append("percentages are not given to one decimal: %r" % shares)
    game = os.path.join(os.path.dirname(os.path.abspath(__file__)), "profile_game")
    run = subprocess.run([ravok, "--home", home, "--headless", "--frames", "30", "--profile", game],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    lines = run.stderr.decode("utf-8", "replace").splitlines()
    start = next((i for i, l in enumerate(lines) if l.startswith("script methods by own time")),
                 None)
    if start is None:
        failures.append("no method table in %r" % lines)
    else:
        header = lines[start + 1].split()
        if header != ["calls", "own", "ms", "%", "total", "ms", "instructions", "method", "where"]:
            failures.append("the method header row is %r" % header)
        rows = [l.split() for l in lines[start + 2:]]
        first = rows[0] if rows else []
        if first[5:6] != ["Busy.slow"] or not first[6].endswith("profile_game/Busy.ravok:7"):
            failures.append("the slow method is not listed first, where it is written: %r" % rows[:3])
        elif int(first[0]) != 30:
            failures.append("Busy.slow was called %s times in 30 frames" % first[0])
        byName = {r[5]: r for r in rows if len(r) >= 6}
        quick = byName.get("Busy.quick")
        if not quick or int(quick[0]) != 60 or int(quick[4]) >= int(first[4]):
            failures.append("Busy.quick: %r (60 calls, fewer instructions than slow)" % quick)
        frame = byName.get("Busy.frame")
        if not frame or float(frame[3]) < float(first[1]):
            failures.append("Busy.frame's total time does not hold slow's: %r" % frame)
        owns = [float(r[1]) for r in rows]
        if owns != sorted(owns, reverse=True):
            failures.append("methods are not sorted by own time: %r" % owns)
        if any(len(r[2].split(".")[-1]) != 1 for r in rows):
            failures.append("method percentages are not given to one decimal")
    # In Japanese, the headers are the reader's language too.
    run = subprocess.run([ravok, "--home", home, "--lang", "ja", "--headless", "--frames", "5",
                          "--profile"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    said = run.stderr.decode("utf-8", "replace")
    if "番号       通過回数" not in said and not any(
            l.split()[:2] == ["番号", "通過回数"] for l in said.splitlines()):
        failures.append("the Japanese profile has no Japanese header: %r" % said)
    if "呼び出し回数" not in said or "スクリプトのメソッド" not in said:
        failures.append("the Japanese method table has no Japanese header: %r" % said)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
