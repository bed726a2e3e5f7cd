#!/bin/sh
# Runs every fuzz target for SECONDS each.
#   run-fuzz.sh BUILD_DIR SECONDS short   on a scratch copy of the corpus (CI)
#   run-fuzz.sh BUILD_DIR SECONDS long    then merges what the run found into
#                                         tests/fuzz/corpus, minimised
# Prints each target's final statistics (executions and executions a second).
set -u
build=$1
seconds=$2
mode=$3
root=$(cd "$(dirname "$0")/.." && pwd)
targets="lex_parse markup tag class_cache image wav song input_script settings string_list page"
rm -rf "$build/corpus" && cp -r "$root/tests/fuzz/corpus" "$build/corpus"
for target in $targets; do
  mkdir -p "$build/corpus/$target"
  rm -f "$build/$target-"*
  LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0 \
  ASAN_OPTIONS=allocator_may_return_null=1:quarantine_size_mb=32 \
    "$build/fuzz/ravok_fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=4096 -print_final_stats=1 -artifact_prefix="$build/$target-" \
      "$build/corpus/$target" > "$build/$target.log" 2>&1
  status=$?
  echo "== $target"
  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb|ERROR|SUMMARY" \
    "$build/$target.log" | sed 's/^/  /'
  if [ $status -ne 0 ]; then
    tail -n 30 "$build/$target.log"
    echo "fuzz target $target failed"
    # The input that failed, so that a run elsewhere can be replayed here.
    for input in "$build/$target-"*; do
      [ -f "$input" ] && echo "input $(basename "$input"), base64: $(base64 -w 0 "$input")"
    done
    exit 1
  fi
  if [ "$mode" = long ]; then
    merged="$build/merged-$target"
    rm -rf "$merged" && mkdir -p "$merged"
    "$build/fuzz/ravok_fuzz_$target" -merge=1 -max_len=4096 "$merged" \
      "$root/tests/fuzz/corpus/$target" "$build/corpus/$target" > "$build/$target-merge.log" 2>&1 &&
      rm -rf "$root/tests/fuzz/corpus/$target" && mv "$merged" "$root/tests/fuzz/corpus/$target"
  fi
done
echo "== mml"
python3 "$root/tests/fuzz/mml_fuzz.py" "$root/tests/fuzz/corpus/mml" "$seconds" "$build" || exit 1
