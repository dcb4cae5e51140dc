#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs a sync job
# end to end (the job tests) until the command-line companion exists.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release
cmake --build --preset release
build/release/bin/engine_tests --gtest_filter='Job*'
