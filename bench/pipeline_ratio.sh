#!/usr/bin/env bash
# Times whole runs of a study of TUBES demo tubes (bench/make_demo_study.py)
# at --jobs 1 and --jobs 2, without and with packing, side by side in one
# go, and prints the medians and the ratios. With BASE_CLI set to another
# build of phreatix-cli (one without --jobs, say), its packed run is timed
# beside them and the packed --jobs 2 run is compared with it.
#
#   bench/pipeline_ratio.sh [TUBES [REPEATS]]      (default 25 tubes, 3 repeats)
#
# CLI (default build/src/cli/phreatix-cli) names the program to time. Each
# run gets a fresh copy of the study; the copy of the run before is removed
# first, so that every run writes into memory the kernel has had before.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/src/cli/phreatix-cli}
base=${BASE_CLI:-}
tubes=${1:-25}
repeats=${2:-3}
work=$(mktemp -d "${TMPDIR:-/tmp}/phreatix-ratio.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$cli" demo "$work/demo" --no-pack > /dev/null
"$root/bench/make_demo_study.py" "$work/demo" "$tubes" "$work/study"
rm -rf "$work/demo"

# One timed run: prints "wall user sys" in seconds.
timed() {
  local program=$1
  shift
  rm -rf "$work/run"
  cp -r "$work/study" "$work/run"
  sync
  (cd "$work/run" && /usr/bin/time -f "%e %U %S" -o "$work/time" \
    "$program" run --data studie.csv --coupling koppeling.txt "$@" > /dev/null 2>&1) || true
  cat "$work/time"
}

calc() { awk "BEGIN { print $1 }"; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

declare -A wall cpu user sys
# CASES narrows the runs, e.g. CASES="nopack1 nopack2".
read -r -a cases <<< "${CASES:-nopack1 nopack2 pack1 pack2}"
[ -n "$base" ] && [ -z "${CASES:-}" ] && cases+=("base")
for ((r = 1; r <= repeats; r++)); do
  for c in "${cases[@]}"; do
    case $c in
      nopack1) t=$(timed "$cli" --no-pack --jobs 1) ;;
      nopack2) t=$(timed "$cli" --no-pack --jobs 2) ;;
      pack1) t=$(timed "$cli" --jobs 1) ;;
      pack2) t=$(timed "$cli" --jobs 2) ;;
      base) t=$(timed "$base") ;;
    esac
    read -r w u s <<< "$t"
    wall[$c]+="$w "
    cpu[$c]+="$(calc "$u + $s") "
    user[$c]+="$u "
    sys[$c]+="$s "
  done
done

printf '%d tubes, median of %d runs (wall s, cpu s, cpu per tube s; every run wall/user/sys):\n' "$tubes" "$repeats"
declare -A m
for c in "${cases[@]}"; do
  m[$c]=$(echo "${wall[$c]}" | tr ' ' '\n' | grep . | median)
  mc=$(echo "${cpu[$c]}" | tr ' ' '\n' | grep . | median)
  printf '  %-8s %7.2f %7.2f %7.3f   (wall %s user %s sys %s)\n' "$c" "${m[$c]}" "$mc" \
    "$(calc "$mc / $tubes")" "${wall[$c]}" "${user[$c]}" "${sys[$c]}"
done
if [ -n "${m[nopack1]:-}" ] && [ -n "${m[nopack2]:-}" ]; then
  printf 'ratio --jobs 2 / --jobs 1, --no-pack: %.3f\n' "$(calc "${m[nopack2]} / ${m[nopack1]}")"
fi
if [ -n "${m[pack1]:-}" ] && [ -n "${m[pack2]:-}" ]; then
  printf 'ratio --jobs 2 / --jobs 1, packed:    %.3f\n' "$(calc "${m[pack2]} / ${m[pack1]}")"
fi
if [ -n "${m[base]:-}" ] && [ -n "${m[pack2]:-}" ]; then
  printf 'ratio packed --jobs 2 / BASE_CLI packed: %.3f\n' "$(calc "${m[pack2]} / ${m[base]}")"
fi
