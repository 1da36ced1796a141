#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz/ and
# runs each on a copy of its seed corpus for SECONDS seconds (default 30),
# two at a time. Findings (crash-*, timeout-*, oom-*) and the log of each
# target land in build-fuzz/findings/<target>/. Exit 1 when any target
# found something.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
if [ ! -f build-fuzz/build.ninja ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPHREATIX_FUZZ=ON
fi
cmake --build build-fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in tests/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

run_one() {
  local target="$1" out="build-fuzz/findings/$1"
  rm -rf "$out" && mkdir -p "$out/corpus"
  cp tests/fuzz/corpus/"$target"/* "$out/corpus/"
  # The scratch files of the targets on tmpfs where there is one.
  local scratch="$PWD/$out"
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch="$(mktemp -d /dev/shm/phreatix-fuzz.XXXXXX)"; fi
  # 2 GB of memory and 30 s per input at most: more is a finding. Each log
  # line gets the seconds since the start, to see when coverage last grew.
  if (cd "$out" && TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=1 \
      "../../tests/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
      -print_final_stats=1 corpus 2>&1 | perl -pe 'print time() - $^T, "s "' > log.txt;
      exit "${PIPESTATUS[0]}"); then
    echo "$target: $(grep -E 'DONE' "$out/log.txt" | tail -1)"
  else
    echo "$target: FOUND SOMETHING, see $out/log.txt"
    [ "$scratch" != "$PWD/$out" ] && rm -rf "$scratch"
    return 1
  fi
  [ "$scratch" != "$PWD/$out" ] && rm -rf "$scratch"
  return 0
}

status=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" & pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
