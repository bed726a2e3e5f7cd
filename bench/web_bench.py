#!/usr/bin/env python3
"""The web build's figures in headless Chromium on this machine: the default
game's first frame after the page began loading, the frames a second it
keeps up on its title page, and the sizes of what a visitor downloads.

Usage: bench/web_bench.py [BUILD_DIR]   (after make web)
"""
import gzip
import os
import socket
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
from devtools import Browser  # noqa: E402


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    ravok = os.path.join(build, "ravok")
    site = tempfile.mkdtemp(prefix="ravok-web-bench-")
    subprocess.run([ravok, "--export-web", os.path.join(build, "Usr"), site], check=True,
                   stdout=subprocess.DEVNULL)
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    server = subprocess.Popen([ravok, "--serve", site, "--port", str(port)],
                              stdout=subprocess.PIPE, text=True)
    for _ in range(3):
        server.stdout.readline()
    firsts, rates = [], []
    try:
        for _ in range(3):
            b = Browser(960, 720)
            b.navigate("http://127.0.0.1:%d/" % port)
            firsts.append(b.wait_for("window.ravokFirstFrameMs", timeout=60))
            b.wait_for("window.ravokFrames > 30")
            f0, t0 = b.evaluate("[window.ravokFrames, performance.now()]")
            time.sleep(5)  # a benchmark's measuring window, not a wait for an event
            f1, t1 = b.evaluate("[window.ravokFrames, performance.now()]")
            rates.append((f1 - f0) / ((t1 - t0) / 1000))
            b.close()
    finally:
        server.kill()
    wasm = os.path.join(site, "ravok.wasm")
    with open(wasm, "rb") as f:
        gz = len(gzip.compress(f.read(), 9))
    print("first frame after the page began loading: %s ms (median %.0f)" %
          (", ".join("%.0f" % v for v in firsts), sorted(firsts)[1]))
    print("frames a second on the title page: %s" % ", ".join("%.1f" % r for r in rates))
    print("ravok.wasm: %d bytes, %d gzipped; ravok.js %d bytes; game.data %d bytes" %
          (os.path.getsize(wasm), gz, os.path.getsize(os.path.join(site, "ravok.js")),
           os.path.getsize(os.path.join(site, "game.data"))))


if __name__ == "__main__":
    main()
