#!/usr/bin/env bash
# Builds Phreatix and runs the whole test suite (core, command line and
# windows; the windows on Qt's offscreen platform). With --fast only the unit
# tests (ctest label "fast", seconds); the whole runs of the program (label
# "slow": the demo, the real exports, Chromium, the X walkthrough, Slurm) are
# left out.
set -euo pipefail
cd "$(dirname "$0")/.."
labels=()
case "${1:-}" in
  "") ;;
  --fast) labels=(-L '^fast$') ;;
  *) echo "usage: scripts/test.sh [--fast]" >&2; exit 2 ;;
esac
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)" "${labels[@]}"
