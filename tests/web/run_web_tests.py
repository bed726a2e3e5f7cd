#!/usr/bin/env python3
"""The web build's tests (make test-web):

  1. every script test under node (build-web/ravok-node), against the same
     // expect: lines as the native player;
  2. every golden game under node, against the same frames and sound;
  3. the default game played through with its input script by both builds,
     whose recorded sound and frames must be identical;
  4. the exported default game in Chromium (browser_test.py).

Usage: run_web_tests.py BUILD_DIR WEB_BUILD_DIR
"""
import concurrent.futures
import glob
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TESTS, "games"))
from png_pixels import read_png  # noqa: E402


def run(args, timeout=900):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout)


def script_tests(node_player, web_home):
    scripts = sorted(p for p in glob.glob(os.path.join(TESTS, "scripts", "**", "*.ravok"),
                                          recursive=True)
                     if os.sep + "lib" + os.sep not in p)
    runner = os.path.join(TESTS, "scripts", "run_script_test.py")

    def one(script):
        r = run([sys.executable, runner, node_player, web_home, script])
        return script, r.returncode, r.stdout

    failed = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for script, code, out in pool.map(one, scripts):
            if code != 0:
                failed.append("script %s:\n%s" % (os.path.relpath(script, TESTS), out))
    print("web: %d script tests under node, %d failed" % (len(scripts), len(failed)))
    return failed


def game_tests(node_player, web_home):
    failed = []
    folders = sorted(os.path.dirname(p) for p in glob.glob(os.path.join(TESTS, "games", "*",
                                                                          "expect.txt")))
    runner = os.path.join(TESTS, "games", "run_game_test.py")
    for folder in folders:
        r = run([sys.executable, runner, node_player, web_home, folder])
        if r.returncode != 0:
            failed.append("game %s:\n%s" % (os.path.basename(folder), r.stdout))
    print("web: %d game tests under node, %d failed" % (len(folders), len(failed)))
    return failed


def same_as_native(native_player, native_home, node_player, web_home):
    """The default game's whole scripted play, recorded by both builds."""
    game = os.path.join(TESTS, "games", "default_game")
    results = {}
    work = tempfile.mkdtemp(prefix="ravok-same-")
    try:
        for name, player, home in (("native", native_player, native_home),
                                   ("web", node_player, web_home)):
            copy = os.path.join(work, name)
            for part in ("Kernel", "Usr"):
                shutil.copytree(os.path.join(home, part), os.path.join(copy, part),
                                ignore=shutil.ignore_patterns("files", "Cookies.ini", "fonts"))
            shutil.copyfile(os.path.join(home, "tones.wdt"), os.path.join(copy, "tones.wdt"))
            if os.path.isdir(os.path.join(home, "Kernel", "fonts")):
                shutil.copytree(os.path.join(home, "Kernel", "fonts"),
                                os.path.join(copy, "Kernel", "fonts"))
            out = os.path.join(work, name + "-out")
            os.makedirs(out)
            r = run([player, "--home", copy, "--headless", "--print", "--frames", "1000",
                     "--input", os.path.join(game, "input.txt"),
                     "--audio", os.path.join(out, "sound.wav"),
                     "--shot", "15:" + os.path.join(out, "title.png"),
                     "--shot", "300:" + os.path.join(out, "game.png"),
                     "--shot", "990:" + os.path.join(out, "scores.png"),
                     os.path.join(copy, "Usr", "default.ravokprj")])
            results[name] = (r, out)
        failed = []
        (native, native_out), (web, web_out) = results["native"], results["web"]
        if native.stdout != web.stdout:
            failed.append("the default game printed differently:\nnative:\n%s\nweb:\n%s" %
                          (native.stdout, web.stdout))
        with open(os.path.join(native_out, "sound.wav"), "rb") as a, \
                open(os.path.join(web_out, "sound.wav"), "rb") as b:
            sa, sb = a.read(), b.read()
        if sa != sb:
            first = next((i for i in range(min(len(sa), len(sb))) if sa[i] != sb[i]), None)
            failed.append("the default game's sound differs (%d and %d bytes, first at %s)" %
                          (len(sa), len(sb), first))
        for shot in ("title.png", "game.png", "scores.png"):
            if read_png(os.path.join(native_out, shot)) != read_png(os.path.join(web_out, shot)):
                failed.append("the default game's %s differs between the builds" % shot)
        print("web: the default game's play, sound and frames against native: %s" %
              ("differ" if failed else "identical"))
        return failed
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    build, web = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    node_player = os.path.join(web, "ravok-node")
    failed = []
    failed += script_tests(node_player, web)
    failed += game_tests(node_player, web)
    failed += same_as_native(os.path.join(build, "ravok"), build, node_player, web)
    r = run([sys.executable, os.path.join(HERE, "browser_test.py"), build], timeout=900)
    print("web: " + r.stdout.strip().replace("\n", "\nweb: "))
    if r.returncode != 0:
        failed.append("the browser test failed")
    for f in failed:
        print("FAILED: " + f)
    print("web: %s" % ("all passed" if not failed else "%d failed" % len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
