#!/usr/bin/env bash
# Builds Phreatix and runs the whole test suite (core, command line and
# windows; the windows on Qt's offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)"
