#!/usr/bin/env bash
# Installs what is missing, builds the release preset, makes a sample pair of
# folders under build/demo and synchronises them twice with drovan-sync: the
# first run does the work, the second finds the folders in step.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset release
cmake --build --preset release
python3 scripts/make_demo.py build/demo
echo
echo "== first run: disk folder to USB folder"
build/release/bin/drovan-sync --disk build/demo/disk --usb build/demo/usb --mode disk-to-usb
echo
echo "== second run: the folders are in step"
build/release/bin/drovan-sync --disk build/demo/disk --usb build/demo/usb
