#!/usr/bin/env python3
"""Runs one game test: a folder with pages and classes, played headless.

The folder's `expect.txt` holds settings, a line `---`, then the expected
standard output:

  frames: N        game frames to run (--frames N)
  page: FILE       the page to start (relative to the folder); without it the
                   program directory's own game runs (the bundled default game)
  exit: N          the exit status (0 when not given)
  error: TEXT      a text standard error must contain
  twice: yes       run a second time, from the class and reconstruction
                   caches, and require the same output
  input: FILE      timed input events for the run (--input FILE of the folder)
  check: yes       compile only (--check PAGE, or the program's own project
                   without a page) instead of playing
  shot: N FILE     save frame N and compare it pixel for pixel with the golden
                   PNG file FILE of the folder (repeatable); with the
                   environment variable RAVOK_UPDATE_GOLDEN=1 the frame is
                   written to FILE instead, to be looked at and committed

The folder is copied to <build>/game-tests/NAME first, so the project file a
run creates never lands in the source tree, and the page's reconstruction cache
is removed, so the first run writes it afresh.
"""
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import png_pixels  # noqa: E402


def cache_name(home, page):
    rel = os.path.relpath(page, home).replace(os.sep, "\\")
    rel = rel.replace("..", "@")
    return os.path.join(home, "Temp", "i127_" + re.sub(r"[^@A-Za-z0-9_]", "", rel) + ".ravok")


def main():
    ravok, home, folder = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3]
    with open(os.path.join(folder, "expect.txt"), "rb") as f:
        text = f.read().decode("utf-8")
    head, _, body = text.partition("---\n")
    settings = {}
    errors = []
    shots = []
    for line in head.splitlines():
        if ":" in line:
            key, value = line.split(":", 1)
            if key.strip() == "error":
                errors.append(value.strip())
            elif key.strip() == "shot":
                frame, name = value.split()
                shots.append((frame, name))
            else:
                settings[key.strip()] = value.strip()
    expected = body.splitlines()
    check = settings.get("check") == "yes"
    if check:
        args = [ravok, "--home", home, "--check"]
    else:
        args = [ravok, "--home", home, "--headless", "--print", "--frames", settings.get("frames", "60")]
    if "page" in settings:
        work = os.path.join(home, "game-tests", os.path.basename(os.path.abspath(folder)))
        shutil.rmtree(work, ignore_errors=True)
        shutil.copytree(folder, work, ignore=shutil.ignore_patterns("expect.txt"))
        page = os.path.join(work, settings["page"])
        args.append(page)
        pages = [os.path.join(work, p) for p in os.listdir(work) if p.endswith(".cmml")]
    else:
        if check:
            args.append(os.path.join(home, "Usr", "default.ravokprj"))
        pages = [os.path.join(home, "Usr", p) for p in os.listdir(os.path.join(home, "Usr"))
                 if p.endswith(".cmml")]
    for p in pages:
        try:
            os.remove(cache_name(home, p))
        except FileNotFoundError:
            pass
    if "input" in settings:
        args += ["--input", os.path.join(os.path.abspath(folder), settings["input"])]
    out_dir = os.path.join(home, "game-shots", os.path.basename(os.path.abspath(folder)))
    os.makedirs(out_dir, exist_ok=True)
    for frame, name in shots:
        args += ["--shot", "%s:%s" % (frame, os.path.join(out_dir, name))]
    runs = 2 if settings.get("twice") == "yes" else 1
    outputs = []
    failures = []
    err = ""
    for _ in range(runs):
        run = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        out = run.stdout.decode("utf-8", "replace").splitlines()
        err = run.stderr.decode("utf-8", "replace")
        outputs.append(out)
        if out != expected:
            failures.append("standard output differs:\n  expected: %r\n  actual:   %r" % (expected, out))
        status = int(settings.get("exit", "0"))
        if run.returncode != status:
            failures.append("exit status %d, expected %d" % (run.returncode, status))
        for e in errors:
            if e not in err:
                failures.append("standard error lacks %r" % e)
    if runs == 2 and outputs[0] != outputs[1]:
        failures.append("the second run differs from the first")
    for frame, name in shots:
        actual = os.path.join(out_dir, name)
        golden = os.path.join(folder, name)
        if os.environ.get("RAVOK_UPDATE_GOLDEN") == "1":
            shutil.copyfile(actual, golden)
            continue
        if not os.path.exists(golden):
            failures.append("no golden file %s (the frame is in %s)" % (golden, actual))
            continue
        diff = png_pixels.differences(actual, golden)
        if diff != 0:
            failures.append("frame %s differs from %s in %s pixels (see %s)" % (
                frame, name, "its size" if diff < 0 else diff, actual))
    if failures:
        print("\n".join(failures))
        print("--- standard error ---\n" + err)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
