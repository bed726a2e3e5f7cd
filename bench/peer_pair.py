#!/usr/bin/env python3
"""Times one peer workload in the player and in Lua 5.4, with both empty
scripts, in turn for a number of rounds, and prints the median and the best
net ratio (player / Lua 5.4, start-up subtracted). A narrower look than
../shared/peers/compare.py, for one row at a time.

Usage: bench/peer_pair.py WORKLOAD [ROUNDS] [PLAYER]   (from the project root)
"""
import os, statistics, subprocess, sys, time

PEERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "peers")
EXTRA = {"calls": ["ravok/Counter.ravok"], "objects": ["ravok/Obj.ravok"]}


def main():
    workload = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 25
    player = os.path.abspath(sys.argv[3] if len(sys.argv) > 3 else "build/ravok")
    commands = {
        "ravok none": [player, "--run", "ravok/none.ravok"],
        "ravok": [player, "--run", f"ravok/{workload}.ravok"] + EXTRA.get(workload, []),
        "lua none": ["lua5.4", "bench.lua", "none"],
        "lua": ["lua5.4", "bench.lua", workload],
    }
    times = {k: [] for k in commands}
    for _ in range(rounds):
        for k, c in commands.items():
            start = time.perf_counter()
            subprocess.run(c, cwd=PEERS, stdout=subprocess.DEVNULL, check=True)
            times[k].append(time.perf_counter() - start)
    for pick, f in (("median", statistics.median), ("best", min)):
        m = {k: f(v) for k, v in times.items()}
        ratio = (m["ravok"] - m["ravok none"]) / (m["lua"] - m["lua none"])
        print(f"{pick}: " + ", ".join(f"{k} {v * 1000:.2f} ms" for k, v in m.items()) +
              f"; net ratio {ratio:.2f}")


if __name__ == "__main__":
    main()
