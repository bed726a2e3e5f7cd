#!/usr/bin/env python3
"""--profile: a headless run ends with the time analyzer's table on standard
error, sorted by total time; section 47 (a run of the root process) is
passed once a frame and section 0 (the whole measurement) once. The headers are in the reader's
language, and the figures rounded.

  profile_test.py RAVOK HOME
"""
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
    # In Japanese, the headers are the reader's language too.
    run = subprocess.run([ravok, "--home", home, "--lang", "ja", "--headless", "--frames", "5",
                          "--profile"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    said = run.stderr.decode("utf-8", "replace")
    if "番号       通過回数" not in said and not any(
            l.split()[:2] == ["番号", "通過回数"] for l in said.splitlines()):
        failures.append("the Japanese profile has no Japanese header: %r" % said)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
