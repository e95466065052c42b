#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for SECONDS (default 30),
# starting from the committed seeds in tests/fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/; a failing input is saved as build-fuzz/crashes/<target>-* and stops the run.
# SECONDS=0 only replays the committed seeds and regression cases. CI gives each target 30 s;
# every failing input it finds becomes a regression case in tests/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
root="$PWD"
out="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVAX_WITH_QT=OFF -DKELVAX_BUILD_TESTS=OFF -DKELVAX_SANITIZE=ON -DKELVAX_FUZZ=ON >/dev/null
cmake --build "$out" -j2 --target kelvax_fuzz >/dev/null

mkdir -p "$out/crashes"
status=0
for seeds in tests/fuzz/corpus/*/; do
  target="$(basename "$seeds")"
  mkdir -p "$out/corpus/$target"
  log="$out/$target.log"
  if [ "$seconds" = 0 ]; then budget=(-runs=0); else budget=(-max_total_time="$seconds"); fi
  if "$out/tests/fuzz/$target" "${budget[@]}" -print_final_stats=1 \
       -timeout=10 -rss_limit_mb=1024 -artifact_prefix="$out/crashes/$target-" \
       "$out/corpus/$target" "$root/$seeds" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    echo "fuzz $target: ${runs:-?} executions in ${seconds}s, no failure"
  else
    echo "fuzz $target: FAILED (see $log)"
    grep -E "ERROR|property failed|got|want|SUMMARY" "$log" | head -20
    status=1
  fi
done
exit $status
