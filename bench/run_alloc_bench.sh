#!/bin/sh
# Heap allocations a frame in steady state: each game is played headless for
# FIRST and for SECOND frames with the allocation counter preloaded, and the
# difference of the two counts is divided by the frames between them.
# Usage: bench/run_alloc_bench.sh [BUILD_DIR]   (needs `make bench` first)
set -e
. "$(dirname "$0")/sprite_game.sh"
build=${1:-build}
ravok=$build/ravok
counter=$(cd "$build/bench" && pwd)/libravok_alloc_count.so
first=${FIRST:-300}
second=${SECOND:-900}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() {
    RAVOK_ALLOC_COUNT_FILE="$work/count" LD_PRELOAD="$counter" "$ravok" --home "$build" --headless \
        --frames "$@" >/dev/null 2>&1 || true
    cat "$work/count"
}
report() {
    name=$1
    shift
    # A first run writes the class and page caches, which later runs read.
    count 2 "$@" >/dev/null
    a=$(count "$first" "$@")
    b=$(count "$second" "$@")
    echo "$name: $a allocations in $first frames, $b in $second: $(( (b - a) / (second - first) )) a frame ($(( b - a )) in the $(( second - first )) frames between)"
}

report "default game"
for entry in 1000:0 1000:1; do
    n=${entry%:*}
    rotated=${entry#*:}
    d="$work/n${n}r${rotated}"
    sprite_game "$d" "$n" "$rotated"
    "$ravok" --home "$build" --headless --frames 2 "$d/main.cmml" >/dev/null 2>&1
    report "$n sprites (turned and translucent: $rotated)" "$d/main.cmml"
done
