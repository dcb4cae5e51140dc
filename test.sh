#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the Linux
# build, then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --workflow --preset ci
cmake --workflow --preset mingw
