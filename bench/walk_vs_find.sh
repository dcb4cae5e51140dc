#!/usr/bin/env bash
# Times the scan of the 100 000-file benchmark tree (walk_bench, release
# build) against find printing size, time and path for every entry. Warm
# cache: one untimed run of each first, then RUNS runs each, interleaved.
#
#   bench/walk_vs_find.sh [DIR] [RUNS]
#
# DIR (default /tmp/drovan-walk-bench/tree) is generated once with
# mktree.py and reused afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

DIR=${1:-/tmp/drovan-walk-bench/tree}
RUNS=${2:-7}
MKTREE=${MKTREE:-/work/shared/bench/mktree.py}
BENCH=build/release/bin/walk_bench

if [[ ! -d $DIR ]] || [[ -z $(ls -A "$DIR") ]]; then
  python3 "$MKTREE" gen "$DIR" -n 100000
fi

cmake --preset release >/dev/null
cmake --build --preset release --target walk_bench -- -j2 >/dev/null

# Seconds of one run of a command, from bash's own clock.
seconds() {
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  echo "$start $end" | awk '{printf "%.4f\n", $2 - $1}'
}
run_find() { find "$DIR" -printf '%s %T@ %p\n' >/dev/null; }
run_walk() { "$BENCH" "$DIR" >/dev/null; }

entries=$("$BENCH" "$DIR" | awk '/^entries/ {print $2}')
find_entries=$(find "$DIR" -mindepth 1 | wc -l)
run_find
run_walk

walk_times=() find_times=()
for ((i = 0; i < RUNS; i++)); do
  walk_times+=("$(seconds run_walk)")
  find_times+=("$(seconds run_find)")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
walk_median=$(median "${walk_times[@]}")
find_median=$(median "${find_times[@]}")

echo "tree:    $DIR ($find_entries entries below the root)"
echo "walk:    $entries entries; seconds ${walk_times[*]}; median $walk_median"
echo "find:    seconds ${find_times[*]}; median $find_median"
awk -v w="$walk_median" -v f="$find_median" 'BEGIN {printf "ratio:   %.2fx find (goal: at most 1.30x)\n", w / f}'
