#!/usr/bin/env python3
"""Times the peer workloads plain and with the debugger attached and no
breakpoint set (`--debug`: the terminal's debugger is installed and every
hold would reach it), in turn for a number of rounds, and prints the median
net time of each (start-up subtracted with the empty script). A second
player may be given to time side by side (a build from before a change).

Usage: bench/debugger_bench.py [ROUNDS] [PLAYER] [OTHER_PLAYER]   (from the project root)
"""
import os
import statistics
import subprocess
import sys
import time

PEERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "peers")
WORKLOADS = {"fib": [], "loop": [], "calls": ["ravok/Counter.ravok"]}


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    player = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "build/ravok")
    other = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 else None
    setups = {"plain": [player], "debugger attached": [player, "--debug"]}
    if other:
        setups["other player"] = [other]
    commands = {}
    for name, head in setups.items():
        commands[(name, "none")] = head + ["--run", "ravok/none.ravok"]
        for w, extra in WORKLOADS.items():
            commands[(name, w)] = head + ["--run", f"ravok/{w}.ravok"] + extra
    times = {k: [] for k in commands}
    for _ in range(rounds):
        for k, c in commands.items():
            start = time.perf_counter()
            subprocess.run(c, cwd=PEERS, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           check=True)
            times[k].append(time.perf_counter() - start)
    median = {k: statistics.median(v) for k, v in times.items()}
    print("%-8s" % "" + "".join("%20s" % s for s in setups))
    for w in WORKLOADS:
        row = [(median[(s, w)] - median[(s, "none")]) * 1000 for s in setups]
        print("%-8s" % w + "".join("%17.1f ms" % v for v in row))


if __name__ == "__main__":
    main()
