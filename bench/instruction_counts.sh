#!/bin/sh
# Instructions each interpreter runs on the peer workloads, start-up included,
# counted by callgrind (exact and steady where wall times of such short runs
# scatter). Usage: bench/instruction_counts.sh [PLAYER] [PEERS_DIR]
#   PEERS_DIR holds bench.lua and ravok/ (the side-by-side workloads).
set -e
player=$(realpath "${1:-build/ravok}")
peers=${2:-../shared/peers}
cd "$peers"
count() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
printf '| workload | ravok | lua5.4 | luajit -joff |\n|---|---|---|---|\n'
for w in none fib loop objects calls array; do
    case $w in
    objects) files="ravok/objects.ravok ravok/Obj.ravok" ;;
    calls) files="ravok/calls.ravok ravok/Counter.ravok" ;;
    *) files="ravok/$w.ravok" ;;
    esac
    "$player" --run $files >/dev/null # the class caches, as a second run finds them
    r=$(count "$player" --run $files)
    l=$(count lua5.4 bench.lua $w)
    j=$(command -v luajit >/dev/null && count luajit -joff bench.lua $w || echo -)
    printf '| %s | %s | %s | %s |\n' "$w" "$r" "$l" "$j"
done
