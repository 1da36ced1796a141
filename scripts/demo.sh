#!/usr/bin/env bash
# For a newcomer: installs what is missing, builds, and runs the main job on
# the bundled demo export in demo-run/ (a fresh working directory).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
rm -rf demo-run
mkdir demo-run
cd demo-run
../build/src/cli/phreatix-cli kron
../build/src/cli/phreatix-cli open ../demo/dino_demo.csv
echo
echo "demo: the working directory demo-run/ now holds olga.tmp, kron.txt and Phreatix.log"
