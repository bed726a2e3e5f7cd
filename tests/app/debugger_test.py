#!/usr/bin/env python3
"""The debugger headless, in the terminal: a breakpoint given by --break
holds at its line; next, step and out move by statement across calls;
variables are listed and read by name; a runaway loop held by breakExec
shows its line; a run-time error holds at the failing statement before the
process ends.

Usage: debugger_test.py RAVOK PROGRAM_HOME
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(name)
        print("FAIL %s\n%s" % (name, detail))


def debug(ravok, home, game, commands, *options):
    args = [ravok, "--home", home, "--headless", "--print"] + list(options) + [game]
    run = subprocess.run(args, input="\n".join(commands) + "\n", capture_output=True,
                         text=True, timeout=120)
    return run


def stops(stderr):
    """(reason, file name, line) of every hold, in order."""
    return [(m.group(1), os.path.basename(m.group(2)), int(m.group(3)))
            for m in re.finditer(r"^stopped \((\w+)\) at (.+):(\d+)", stderr, re.M)]


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="ravok-debugger-")
    try:
        walker = os.path.join(work, "walker")
        shutil.copytree(os.path.join(HERE, "debugger_game"), walker)
        faults = os.path.join(work, "faults")
        shutil.copytree(os.path.join(HERE, "debugger_faults"), faults)

        # Walker.ravok: add() is lines 6-11 (its statements 8, 9, 10), walk()
        # loops over line 15 (`add(i);`) from line 14, and the main body
        # calls walk() on line 19.
        run = debug(ravok, home, walker,
                    ["locals", "next", "next", "step", "locals", "next", "print doubled",
                     "print label", "print 40 + 2", "where", "out", "continue"],
                    "--break", "Walker.ravok:15")
        got = stops(run.stderr)
        want = [("breakpoint", "Walker.ravok", 15),  # add(0) about to run
                ("step", "Walker.ravok", 14),        # over the call: the loop's test
                ("step", "Walker.ravok", 15),        # add(1)
                ("step", "Walker.ravok", 8),         # into add
                ("step", "Walker.ravok", 9),         # over one statement
                ("step", "Walker.ravok", 15),        # out, back in walk
                ("breakpoint", "Walker.ravok", 15)]  # continue: add(2)
        check("holds and steps by statement", got == want,
              "got %s\nwant %s\n%s" % (got, want, run.stderr))
        check("locals of walk by name", "local i = 0\n" in run.stderr, run.stderr)
        check("arguments and locals of add", "arg n = 1\nlocal doubled = null\n" in run.stderr,
              run.stderr)
        check("a field by name", "this.label = \"walker\"" in run.stderr, run.stderr)
        check("a local read by name", "doubled = 2\n" in run.stderr, run.stderr)
        check("a field read by name", "label = \"walker\"\n" in run.stderr, run.stderr)
        check("an expression as a snippet", "40 + 2 = 42\n" in run.stderr, run.stderr)
        check("the call stack with lines",
              re.search(r"Walker\.add at .*Walker\.ravok:9\n\s+Walker\.walk at .*Walker\.ravok:15\n"
                        r"\s+Walker at .*Walker\.ravok:19\n", run.stderr) is not None, run.stderr)
        check("the source line is shown", "   15 |         add(i);" in run.stderr, run.stderr)
        check("the game runs to its end after the input ends",
              run.stdout == "total 6\nwalked\n" and run.returncode == 0,
              "%r %d" % (run.stdout, run.returncode))

        # A breakpoint on a line without a statement holds at the next one;
        # one in a loop's header holds each time round.
        run = debug(ravok, home, walker, ["continue", "continue", "continue"],
                    "--break", "Walker.ravok:13", "--break", os.path.join(walker, "Walker.ravok") + ":7")
        got = [s[2] for s in stops(run.stderr)]
        check("breakpoints on a declaration and a blank line move on", got[:4] == [14, 8, 14, 8],
              "%s\n%s" % (got, run.stderr))

        # Without a breakpoint the game runs as it always does.
        run = debug(ravok, home, walker, [], "--debug")
        check("no breakpoint, no hold", stops(run.stderr) == [] and run.stdout == "total 6\nwalked\n",
              run.stderr + run.stdout)

        run = debug(ravok, home, faults, ["print n", "continue", "print n", "continue"],
                    "--debug", "--frames", "5")
        got = stops(run.stderr)
        check("breakExec holds a runaway loop at its line; an error at its statement",
              got == [("held", "Faulty.ravok", 6), ("error", "Faulty.ravok", 10)],
              "%s\n%s" % (got, run.stderr))
        check("the loop's counter where it was held", "n = 500\n" in run.stderr, run.stderr)
        check("the error's message at the hold",
              "error: null is not Object." in run.stderr and "n = 3000\n" in run.stderr,
              run.stderr)
        check("the error is still reported after the hold",
              "Faulty.ravok:10:1: null is not Object." in run.stderr
              and "not reached" not in run.stdout, run.stderr + run.stdout)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d failed: %s" % (len(failures), ", ".join(failures)))
        return 1
    print("debugger: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
