#!/usr/bin/env bash
# The reliability suite's longer runs, beyond what CI affords: many more
# killed and stopped runs on larger trees (also on the shared generator's
# trees where mktree.py is found), 100 000 files in one folder, and more
# pulled drives. Needs root for the mounts, like the suite in CI.
#
#   bench/reliability.sh [TRIALS]            (default 300)
#   PRESET=debug bench/reliability.sh 50     (another build; release by default)
#   DROVAN_RELIABILITY_SEED=N ...            (repeat a run; a random seed otherwise)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bin=$repo/build/${PRESET:-release}/bin/reliability_tests
[ -x "$bin" ] || { echo "build first: cmake --preset ${PRESET:-release} && cmake --build --preset ${PRESET:-release}" >&2; exit 1; }
trials=${1:-300}
mktree=${DROVAN_RELIABILITY_MKTREE:-$repo/../shared/bench/mktree.py}
export DROVAN_RELIABILITY_SEED=${DROVAN_RELIABILITY_SEED:-$((RANDOM * 32768 + RANDOM))}
echo "seed $DROVAN_RELIABILITY_SEED"

echo "=== $trials killed and $trials stopped runs, trees four times the CI size"
DROVAN_RELIABILITY_TRIALS=$trials DROVAN_RELIABILITY_SCALE=4 DROVAN_RELIABILITY_SCRATCH_MIB=2048 \
  "$bin" --gtest_filter='Interrupted.*'

if [ -f "$mktree" ]; then
  echo "=== $trials killed and $trials stopped runs on mktree trees (5000 files, a change set of 5 %)"
  DROVAN_RELIABILITY_TRIALS=$trials DROVAN_RELIABILITY_MKTREE=$mktree DROVAN_RELIABILITY_FILES=5000 \
    DROVAN_RELIABILITY_SCRATCH_MIB=4096 "$bin" --gtest_filter='Interrupted.*'
else
  echo "=== mktree.py not found at $mktree: no runs on its trees"
fi

echo "=== 100 000 files in one folder"
DROVAN_RELIABILITY_FILES=100000 "$bin" --gtest_filter='Hostile.ManyThousandFilesInOneFolder'

echo "=== 20 pulled drives"
DROVAN_RELIABILITY_TRIALS=20 "$bin" --gtest_filter='DrivePulled.*'
