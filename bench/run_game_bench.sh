#!/bin/sh
# Whole-player figures: boot to the first frame of the default game (cold:
# no Temp/, warm: every cache present), and frames per second of the headless
# loop with 1,000 objects that each move and suspend. Median of five runs.
# Usage: bench/run_game_bench.sh [BUILD_DIR]
set -e
build=${1:-build}
ravok=$build/ravok
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$(dirname "$0")/games/crowd" "$work/crowd"

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# Milliseconds of one run, from the shell's clock.
ms() {
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(( (end - start) / 1000000 ))
}

cold=$(for i in 1 2 3 4 5; do rm -rf "$build/Temp"; ms "$ravok" --home "$build" --headless --frames 1; done | median)
warm=$(for i in 1 2 3 4 5; do ms "$ravok" --home "$build" --headless --frames 1; done | median)
echo "boot to the first frame of the default game: cold ${cold} ms, warm ${warm} ms"

"$ravok" --home "$build" --headless --frames 1 "$work/crowd/main.cmml" >/dev/null
one=$(for i in 1 2 3 4 5; do ms "$ravok" --home "$build" --headless --frames 1 "$work/crowd/main.cmml"; done | median)
many=$(for i in 1 2 3 4 5; do ms "$ravok" --home "$build" --headless --frames 2001 "$work/crowd/main.cmml"; done | median)
echo "1,000 movers: 2,000 frames in $((many - one)) ms beyond the first frame ($one ms)"
echo "frames per second: $((2000 * 1000 / (many - one)))"
