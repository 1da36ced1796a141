#!/usr/bin/env bash
# For a newcomer: installs what is missing, builds, and runs the main job on a
# generated demo data set in demo-run/ (six tubes, ten years, two meteo
# files): open, couple, calibrate, select, simulate, trace, post-process.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
rm -rf demo-run
build/src/cli/phreatix-cli demo demo-run
echo
echo "demo: the results are in demo-run/: one <tube>.zip per tube, modsel.zft, foutbuis.zft, Phreatix.log"
