#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz (a build of its own:
# every library instrumented, AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for SECONDS on its corpus in build/fuzz/corpus/<target>,
# seeded from fuzz/seeds/<target>. A crash, hang or broken property leaves
# its input in build/fuzz/artifacts and fails the script; make it a
# regression test in the subsystem's test binary.
#
#   bench/fuzz.sh [SECONDS]      (default 60 per target)
set -euo pipefail
seconds=${1:-60}
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/fuzz
targets="profile_text file_mask entry_string"

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is missing (scripts/deps.sh installs it)" >&2; exit 1; }
CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDROVAN_BUILD_FUZZ=ON -DDROVAN_BUILD_TESTS=OFF -DDROVAN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

mkdir -p "$build/artifacts"
failed=0
for target in $targets; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1
           -artifact_prefix="$build/artifacts/$target-")
  [ -f "$repo/fuzz/$target.dict" ] && options+=(-dict="$repo/fuzz/$target.dict")
  log=$build/$target.log
  if "$build/bin/fuzz_$target" "${options[@]}" "$corpus" "$repo/fuzz/seeds/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz_$target: ${runs:-?} executions in ${seconds} s, corpus $(ls "$corpus" | wc -l) inputs, no failure"
  else
    echo "fuzz_$target: FAILED (input kept in $build/artifacts)"
    tail -60 "$log"
    failed=1
  fi
done
exit $failed
