#!/bin/sh
# Whole-player figures: boot to the first frame of the default game (cold:
# no Temp/, warm: every cache present), and frames per second of the headless
# loop with 1,000 objects that each move and suspend. Median of five runs.
# Usage: bench/run_game_bench.sh [BUILD_DIR]
set -e
. "$(dirname "$0")/sprite_game.sh"
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

# Sprites: N movers, each a process of its own that moves and draws a 32 x 32
# colour-keyed pattern cell (or a turned, translucent one) every frame.
# Whole frames: scripts, sprite recording, DrawAll. The spawner prints how
# many mover turns were taken every 30 of its own turns, so the steady state
# is checked to give every mover its turn every frame.
for entry in ${SPRITE_COUNTS:-1000:0 5000:0 10000:0 20000:0 30000:0 40000:0 1000:1}; do
    n=${entry%:*}
    rotated=${entry#*:}
    d="$work/n${n}r${rotated}"
    sprite_game "$d" "$n" "$rotated"
    "$ravok" --home "$build" --headless --frames 2 "$d/main.cmml" >/dev/null
    # Timed inside the player over frames 101-400: two whole runs timed
    # from outside differed by more than the frames they were to compare.
    out=$("$ravok" --home "$build" --headless --print --frames 400 --frame-times 100 "$d/main.cmml" 2>&1)
    times=$(echo "$out" | grep '^frame times' | sed 's/^frame times over [0-9]* frames after [0-9]* of warm-up: //')
    turns=$(echo "$out" | grep -E '^[0-9]+$' | tail -2 | tr '\n' ' ')
    first=${turns%% *}
    last=$(echo $turns | cut -d' ' -f2)
    echo "$n sprites (turned and translucent: $rotated): $times; $(( (last - first) / 30 )) mover turns a frame"
done
