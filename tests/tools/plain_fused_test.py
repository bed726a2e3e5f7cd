#!/usr/bin/env python3
"""Fused and plain code give the same: every script test and every workload
the player is timed on runs twice, as installed (fused pairs and
superinstructions) and with RAVOK_NO_FUSION=1 (one plain instruction a
dispatch), and what each printed on standard output and standard error, and
its exit status, must be the same byte for byte.

  plain_fused_test.py RAVOK HOME
"""
import glob
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = os.path.join(HERE, "..", "scripts")
PEERS = os.path.join(HERE, "..", "..", "bench", "scripts")


def classes_of(script, folder):
    """The class files a script names on its "// classes:" line."""
    with open(script, "rb") as f:
        for raw in f.read().decode("utf-8", "replace").splitlines():
            line = raw.strip()
            if line.startswith("// classes: "):
                return [os.path.join(folder, c) for c in line[len("// classes: "):].split()]
    return []


def run(ravok, home, files, fusion):
    env = dict(os.environ)
    env.pop("RAVOK_NO_FUSION", None)
    if not fusion:
        env["RAVOK_NO_FUSION"] = "1"
    done = subprocess.run([ravok, "--home", home, "--run"] + files, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return done.returncode, done.stdout, done.stderr


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    cases = []
    for script in sorted(glob.glob(os.path.join(SCRIPTS, "**", "*.ravok"), recursive=True)):
        if os.sep + "lib" + os.sep not in script:
            cases.append([script] + classes_of(script, os.path.join(SCRIPTS, "lib")))
    for script in sorted(glob.glob(os.path.join(PEERS, "*.ravok"))):
        cases.append([script] + classes_of(script, PEERS))
    failures = []
    # The variable is seen: the player says so in its log, and only then.
    for fusion in (True, False):
        env = dict(os.environ)
        env.pop("RAVOK_NO_FUSION", None)
        if not fusion:
            env["RAVOK_NO_FUSION"] = "1"
        said = subprocess.run([ravok, "--home", home, "--log", "--run", cases[0][0]] + cases[0][1:],
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                              timeout=300).stderr.decode("utf-8", "replace")
        if ("Code runs unfused" in said) == fusion:
            failures.append("RAVOK_NO_FUSION %s, but the log %s it" % (
                "unset" if fusion else "set", "mentions" if fusion else "does not mention"))
    for files in cases:
        fused, plain = run(ravok, home, files, True), run(ravok, home, files, False)
        name = os.path.relpath(files[0], os.path.join(HERE, ".."))
        for what, a, b in zip(("exit status", "standard output", "standard error"), fused, plain):
            if a != b:
                failures.append("%s: the %s differs\n  fused: %r\n  plain: %r" % (
                    name, what, a if isinstance(a, int) else a[-400:], b if isinstance(b, int) else b[-400:]))
    if len(cases) < 30:
        failures.append("only %d cases were found" % len(cases))
    print("\n".join(failures) if failures else "%d programs alike fused and plain" % len(cases))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
