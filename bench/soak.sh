#!/bin/sh
# Soak: plays the default game and the churn page (bench/soak: objects,
# strings, arrays, split lists, hash tables and processes made and dropped
# every frame) headless for FRAMES frames each, sampling memory every EVERY
# frames, and checks that after the first WARM frames nothing grows:
# resident memory stays within SLACK_KB, and the arena's high-water mark and
# the live instance and host-object counts stay where they were.
#
#   bench/soak.sh [RAVOK] [FRAMES] [EVERY] [WARM] [SLACK_KB]
#   defaults:     build/ravok 1000000 10000 100000 1024
#
# The curve (frame, resident kB, arena bytes, instances) is printed; the exit
# status is 1 when something grew.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
ravok=${1:-$root/build/ravok}
frames=${2:-1000000}
every=${3:-10000}
warm=${4:-100000}
slack=${5:-1024}
home=$(dirname "$ravok")
work=${TMPDIR:-/tmp}/ravok-soak-$$
mkdir -p "$work"
cp "$root"/bench/soak/* "$work"/
status=0
for game in default churn; do
  page=""
  [ "$game" = churn ] && page="$work/main.cmml"
  "$ravok" --home "$home" --headless --frames "$frames" --memory-every "$every" $page \
    > "$work/$game.out" 2> "$work/$game.err"
  code=$?
  grep '^memory:' "$work/$game.err" > "$work/$game.mem"
  grep -v '^memory:' "$work/$game.err" | head -20
  if [ $code -ne 0 ]; then
    echo "soak: the $game game ended with status $code"
    status=1
  fi
  python3 - "$game" "$work/$game.mem" "$warm" "$slack" <<'PY' || status=1
import re, sys
game, path, warm, slack = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
rows = []
for line in open(path):
    m = re.search(r"frame (\d+) resident (\d+) kB arena (\d+) bytes instances (\d+) processes (\d+) "
                  r"strings (\d+) cells (\d+) host objects (\d+)", line)
    if m:
        rows.append([int(x) for x in m.groups()])
if not rows:
    print("soak: %s: no memory lines" % game)
    sys.exit(1)
print("%s: frame, resident kB, arena bytes, instances, host objects" % game)
step = max(1, len(rows) // 20)
for r in rows[::step] + ([rows[-1]] if (len(rows) - 1) % step else []):
    print("  %8d %8d %10d %8d %8d" % (r[0], r[1], r[2], r[3], r[7]))
after = [r for r in rows if r[0] >= warm]
if len(after) < 2:
    print("soak: %s: too few samples after frame %d" % (game, warm))
    sys.exit(1)
base = after[0]
grew = []
if max(r[1] for r in after) - base[1] > slack:
    grew.append("resident memory by %d kB" % (max(r[1] for r in after) - base[1]))
if max(r[2] for r in after) > base[2]:
    grew.append("the arena by %d bytes" % (max(r[2] for r in after) - base[2]))
if max(r[3] for r in after) > base[3]:
    grew.append("live instances by %d" % (max(r[3] for r in after) - base[3]))
if max(r[7] for r in after) > base[7]:
    grew.append("host objects by %d" % (max(r[7] for r in after) - base[7]))
if grew:
    print("soak: %s grew after frame %d: %s" % (game, warm, "; ".join(grew)))
    sys.exit(1)
print("soak: %s flat from frame %d to %d (resident %d..%d kB)" % (
    game, base[0], after[-1][0], min(r[1] for r in after), max(r[1] for r in after)))
PY
done
rm -rf "$work"
exit $status
