#!/usr/bin/env python3
"""The exported default game in Debian's Chromium, over the DevTools
protocol, from `ravok --serve` on 127.0.0.1: the title comes up, a key
starts the game, the canvas moves, the game ends, a name goes into the
InputBox, the score is saved, and after a reload the saved table is still
there; a broken game shows the error overlay with its position.

Usage: browser_test.py BUILD_DIR [SCREENSHOT.png]
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser, chromium_path  # noqa: E402

CANVAS_HASH = """(() => { const c = document.getElementById('screen');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let h = 0; for (let i = 0; i < d.length; i += 4) h = (h * 31 + d[i] + d[i+1] * 7 + d[i+2] * 13) | 0;
  return h; })()"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run(args, **kw):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          timeout=300, **kw)


def export(ravok, game, out):
    r = run([ravok, "--export-web", game, out])
    if r.returncode != 0:
        raise AssertionError("export of %s failed:\n%s%s" % (game, r.stdout, r.stderr))


def broken_game(ravok, folder):
    r = run([ravok, "--new", folder])
    if r.returncode != 0:
        raise AssertionError("--new failed: " + r.stderr)
    hero = os.path.join(folder, "Hero.ravok")
    with open(hero, "a", encoding="utf-8") as f:
        f.write("\nx = (1 + ;\n")


def main():
    build = os.path.abspath(sys.argv[1])
    shot = sys.argv[2] if len(sys.argv) > 2 else None
    if not chromium_path():
        print("browser test: chromium is not installed (scripts/install-deps.sh --web)")
        return 1
    ravok = os.path.join(build, "ravok")
    work = tempfile.mkdtemp(prefix="ravok-web-test-")
    server = None
    browser = None
    failures = []
    try:
        site = os.path.join(work, "site")
        export(ravok, os.path.join(build, "Usr"), os.path.join(site, "star"))
        broken_game(ravok, os.path.join(work, "broken-src"))
        export(ravok, os.path.join(work, "broken-src"), os.path.join(site, "broken"))
        port = free_port()
        server = subprocess.Popen([ravok, "--serve", site, "--port", str(port)],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        # The server says its address once it listens.
        line = "".join(server.stdout.readline() for _ in range(3))
        if "127.0.0.1:%d" % port not in line:
            raise AssertionError("the server did not start: " + line + server.stderr.read())
        base = "http://127.0.0.1:%d/" % port
        browser = Browser(960, 720)
        b = browser

        b.navigate(base + "star/")
        b.wait_for("window.ravokFrames > 30", what="the title's frames")
        title = b.evaluate(CANVAS_HASH)
        b.wait_for("(%s) !== %d" % (CANVAS_HASH, title), what="the title to move")
        if b.evaluate("document.title") != "Star Catcher":
            failures.append("the page's title is %r" % b.evaluate("document.title"))
        if shot:
            b.screenshot(shot)

        # Space starts the game; standing still, the rocks end it.
        frames = b.evaluate("window.ravokFrames")
        b.key("Space", True)
        b.wait_for("window.ravokFrames > %d" % (frames + 5))
        b.key("Space", False)
        # The key wakes the sound, which browsers hold until then; the
        # synthesizer's ring is being played.
        b.wait_for("document.getElementById('sound-note').hidden && Module.ravokAudio &&"
                   " Module.ravokAudio.context.state === 'running' &&"
                   " Module.ravokAudio.context.currentTime > 0.2", what="the sound to play")
        b.key("ArrowRight", True)
        b.wait_for("window.ravokFrames > %d" % (frames + 40))
        b.key("ArrowRight", False)
        b.wait_for("document.querySelector('.dialog input') !== null", timeout=180,
                   what="the InputBox at the game's end")
        b.evaluate("document.querySelector('.dialog input').focus()")
        b.type_text("ブラウザ")
        b.key("Enter", True)
        b.key("Enter", False)
        b.wait_for("[...document.querySelectorAll('.dialog button')].some(x => x.textContent == 'No')",
                   what="the SelectBox asking to play again")
        b.evaluate("[...document.querySelectorAll('.dialog button')].find(x => x.textContent == 'No').click()")
        scores = "(() => { try { return Array.from(FS.readFile('/game/files/scores.txt')); }" \
                 " catch (e) { return null; } })()"
        saved = b.wait_for(scores, what="files/scores.txt")
        b.wait_for("window.ravokSaves > 0", what="the save to reach the browser's storage")

        b.reload()
        b.wait_for("window.ravokFrames > 10", what="frames after the reload")
        after = b.evaluate(scores)
        if after != saved:
            failures.append("after a reload scores.txt is %r, not %r" % (after, saved))
        # The table is written in the system's code page: the name as typed
        # through the browser's input, converted.
        if "\u30d6\u30e9\u30a6\u30b6".encode("cp932") not in bytes(after or []):
            failures.append("scores.txt lacks the name typed: %r" % bytes(after or []))

        b.navigate(base + "broken/")
        # Asked again until the new page stands: right after the navigation
        # the old document, or none, may answer.
        headline = b.wait_for(
            "(() => { const o = document.getElementById('error-overlay');"
            " return !!o && !o.hidden && document.getElementById('error-headline').textContent; })()",
            what="the error overlay")
        if "Hero.ravok:" not in headline:
            failures.append("the overlay's headline lacks the position: %r" % headline)
        excerpt = b.evaluate("document.getElementById('error-excerpt').textContent")
        if "x = (1 + ;" not in excerpt:
            failures.append("the overlay lacks the source line: %r" % excerpt)
    finally:
        if browser:
            browser.close()
        if server:
            server.kill()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAILED: " + f)
    if not failures:
        print("ok: the exported game plays, saves and reloads in Chromium; a broken one shows "
              "its error")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
