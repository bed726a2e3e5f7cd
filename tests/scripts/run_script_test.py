#!/usr/bin/env python3
"""Runs one script test: `ravok --run FILE [CLASSES]` and compares what it
printed with the file's expectations.

  // expect: TEXT          the next line of standard output
  // expect-exit: N        the exit status (0 when not given)
  // expect-error: TEXT    a text standard error must contain
  // expect-error-line: T  a whole line standard error must have
  // classes: A.ravok ...  further class files (relative to lib/), compiled first
"""
import os
import subprocess
import sys


def main():
    ravok, home, script = sys.argv[1], sys.argv[2], sys.argv[3]
    expected, errors, error_lines, exit_status, classes = [], [], [], 0, []
    with open(script, "rb") as f:
        data = f.read()
        # The player reads valid UTF-8 as UTF-8 and anything else as CP932.
        try:
            text = data.decode("utf-8-sig")
        except UnicodeDecodeError:
            text = data.decode("cp932")
        for raw in text.splitlines():
            line = raw.strip()
            if line.startswith("// expect: "):
                expected.append(line[len("// expect: "):])
            elif line == "// expect:":
                expected.append("")
            elif line.startswith("// expect-exit: "):
                exit_status = int(line[len("// expect-exit: "):])
            elif line.startswith("// expect-error-line: "):
                error_lines.append(line[len("// expect-error-line: "):])
            elif line.startswith("// expect-error: "):
                errors.append(line[len("// expect-error: "):])
            elif line.startswith("// classes: "):
                lib = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib")
                classes += [os.path.join(lib, c) for c in line[len("// classes: "):].split()]
    run = subprocess.run([ravok, "--home", home, "--run", script] + classes,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    out = run.stdout.decode("utf-8", "replace").splitlines()
    err = run.stderr.decode("utf-8", "replace")
    failures = []
    if out != expected:
        failures.append("standard output differs:\n  expected: %r\n  actual:   %r" % (expected, out))
    if run.returncode != exit_status:
        failures.append("exit status %d, expected %d" % (run.returncode, exit_status))
    for e in errors:
        if e not in err:
            failures.append("standard error lacks %r" % e)
    # Lines compare without the folder the test ran from.
    folders = {os.path.dirname(script) + os.sep, os.path.dirname(os.path.abspath(script)) + os.sep}
    err_lines = []
    for line in err.splitlines():
        for folder in sorted(folders, key=len, reverse=True):
            if folder != os.sep:
                line = line.replace(folder, "")
        err_lines.append(line)
    for e in error_lines:
        if e not in err_lines:
            failures.append("standard error lacks the line %r" % e)
    if failures:
        print("\n".join(failures))
        print("--- standard error ---\n" + err)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
