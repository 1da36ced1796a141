#!/usr/bin/env bash
# Runs the demo as a Slurm job array of three tasks on a one-node local
# cluster (scripts/slurm-local.sh) and checks that every task's results equal
# a run on this machine without Slurm. Opt-in (PHREATIX_SLURM_TESTS=1): it
# starts daemons as root. Exit 77 when skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PHREATIX_BUILD_DIR:-$root/build}
cli=$build/src/cli/phreatix-cli
if [ "${PHREATIX_SLURM_TESTS:-0}" != 1 ] && [ "${PHREATIX_REQUIRE_SLURM:-0}" != 1 ]; then
  echo "slurm-smoke: skipped (set PHREATIX_SLURM_TESTS=1 to run it)"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/phreatix-slurm.XXXXXX")
cleanup() {
  "$root/scripts/slurm-local.sh" stop "$work/cluster" || true
  rm -rf "$work"
}
trap cleanup EXIT
conf=$("$root/scripts/slurm-local.sh" start "$work/cluster" | tail -n 1) || exit $?
[ "${conf#SLURM_CONF=}" != "$conf" ] || { echo "slurm-smoke: no cluster: $conf"; exit 77; }
export "${conf?}"

"$cli" demo "$work/local" --no-pack > "$work/local.log" 2>&1 || { echo "slurm-smoke: FAIL: local demo" >&2; exit 1; }
cat > "$work/tasks.sh" << TASKS
#!/bin/bash
#SBATCH --array=1-3
#SBATCH --cpus-per-task=1
#SBATCH --output=$work/task-%a.out
cd "$work" && "$cli" demo "task\$SLURM_ARRAY_TASK_ID" --no-pack
TASKS
job=$(sbatch --parsable "$work/tasks.sh") || { echo "slurm-smoke: FAIL: sbatch" >&2; exit 1; }
echo "slurm-smoke: job $job submitted"
end=$((SECONDS + 600))
until [ -z "$(squeue -h -j "$job" 2> /dev/null)" ]; do
  [ $SECONDS -lt $end ] || { echo "slurm-smoke: FAIL: job $job still running after 600 s" >&2; exit 1; }
  sleep 1
done
for n in 1 2 3; do
  for f in modsel.zft foutbuis.zft overzicht.csv 28AL0005.sta 28AL0005.u01; do
    cmp -s "$work/local/$f" "$work/task$n/$f" ||
      { echo "slurm-smoke: FAIL: task $n: $f differs from the local run" >&2; cat "$work/task-$n.out" >&2; exit 1; }
  done
done
echo "slurm-smoke: passed: 3 tasks under Slurm equal the local run"
