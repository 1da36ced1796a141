#!/usr/bin/env bash
# The cluster workflow on a one-node local Slurm cluster (scripts/slurm-local.sh):
# the demo data set prepared as three tasks of whole locations, submitted as a
# job array, one task's results removed and that task resubmitted alone, the
# tasks merged, and the merge compared with a run of the whole data set on
# this machine: the files inside every zip, modsel.zft and foutbuis.zft byte
# for byte, the GeoPackage by its ogrinfo listing, overzicht.csv, and
# Phreatix.log apart from lines about free disk space, paths and times. Starts daemons as root: opt-in with
# PHREATIX_SLURM_TESTS=1, required (fails instead of skipping) with
# PHREATIX_REQUIRE_SLURM=1 as in CI. Exit 77 when skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PHREATIX_BUILD_DIR:-$root/build}
cli=$build/src/cli/phreatix-cli
if [ "${PHREATIX_SLURM_TESTS:-0}" != 1 ] && [ "${PHREATIX_REQUIRE_SLURM:-0}" != 1 ]; then
  echo "slurm-cluster-test: skipped (set PHREATIX_SLURM_TESTS=1 to run it)"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/phreatix-slurm.XXXXXX")
cleanup() {
  "$root/scripts/slurm-local.sh" stop "$work/cluster" || true
  rm -rf "$work"
}
trap cleanup EXIT
conf=$("$root/scripts/slurm-local.sh" start "$work/cluster" | tail -n 1) || exit $?
[ "${conf#SLURM_CONF=}" != "$conf" ] || { echo "slurm-cluster-test: no cluster: $conf"; exit 77; }
export "${conf?}"

fail() {
  echo "slurm-cluster-test: FAIL: $*" >&2
  for f in "$work"/study/taken/slurm-*.out; do [ -f "$f" ] && { echo "== $f" >&2; tail -n 20 "$f" >&2; }; done
  exit 1
}

# Waits until the job has left the queue, at most 600 s.
wait_job() {
  local job=$1 end=$((SECONDS + 600))
  until [ -z "$(squeue -h -j "$job" 2> /dev/null)" ]; do
    [ $SECONDS -lt $end ] || fail "job $job still in the queue after 600 s"
    sleep 1
  done
}

"$cli" demo "$work/single" > "$work/single.log" 2>&1 || fail "the demo on this machine"
mkdir "$work/study"
for f in demo_dino.csv koppeling.txt meteo_oost.prn meteo_west.prn kron.txt; do
  cp "$work/single/$f" "$work/study/"
done
"$cli" cluster prepare "$work/study" --data demo_dino.csv --coupling koppeling.txt \
  --tubes-per-task 2 --cpus-per-task 1 > "$work/prepare.log" 2>&1 || fail "prepare: $(cat "$work/prepare.log")"
grep -q "^3 taken voor 6 buizen" "$work/prepare.log" || fail "prepare made no 3 tasks: $(cat "$work/prepare.log")"
if "$cli" cluster merge "$work/study" > "$work/merge0.log" 2>&1; then fail "merge before any task ran"; fi
grep -q "taak001 (ontbreekt" "$work/merge0.log" || fail "merge did not name the missing tasks: $(cat "$work/merge0.log")"

job=$("$cli" cluster submit "$work/study" | tail -n 1) || fail "submit"
echo "slurm-cluster-test: job $job submitted"
wait_job "$job"
"$cli" cluster status "$work/study" > "$work/status1.log" || fail "not every task finished: $(cat "$work/status1.log")"

# One task loses its results; a stale file of its try must not survive the
# resubmission.
rm -f "$work"/study/taken/taak002/*.zip "$work/study/taken/taak002/modsel.zft"
touch "$work/study/taken/taak002/oud.txt"
if "$cli" cluster status "$work/study" > "$work/status2.log"; then fail "status did not see taak002's loss"; fi
grep -q "^taak002  mislukt" "$work/status2.log" || fail "taak002 not failed: $(cat "$work/status2.log")"
out=$("$cli" cluster submit "$work/study" --only-failed) || fail "resubmit"
echo "$out" | grep -q "taken 2 (1 van de 3)" || fail "resubmitted more than taak002: $out"
job=$(echo "$out" | tail -n 1)
wait_job "$job"
[ ! -e "$work/study/taken/taak002/oud.txt" ] || fail "a stale file of the failed try survived"
"$cli" cluster status "$work/study" > "$work/status3.log" || fail "after the resubmission: $(cat "$work/status3.log")"
"$cli" cluster merge "$work/study" > "$work/merge.log" 2>&1 || fail "merge: $(cat "$work/merge.log")"

# The merge against the run on this machine.
cd "$work"
zips=$(cd single && ls ./*.zip)
[ "$(cd study && ls ./*.zip)" = "$zips" ] || fail "other zips than the single run's"
for z in $zips; do
  n=$(basename "$z" .zip)
  mkdir -p "a/$n" "b/$n"
  unzip -q -d "a/$n" "single/$n.zip"
  unzip -q -d "b/$n" "study/$n.zip"
done
diff -r a b > /dev/null || fail "files inside the zips differ: $(diff -rq a b | head -n 5)"
for f in modsel.zft foutbuis.zft overzicht.csv; do
  cmp -s "single/$f" "study/$f" || fail "$f differs from the single run"
done
diff <(ogrinfo -al single/overzicht.gpkg | grep -v '^INFO') \
  <(ogrinfo -al study/overzicht.gpkg | grep -v '^INFO') > /dev/null || fail "overzicht.gpkg differs by ogrinfo -al"
# The log apart from lines about free disk space, paths and times.
comparable() { grep -v -e diskruimte -e "$work" -e ' s)$' "$1" || true; }
diff <(comparable single/Phreatix.log) <(comparable study/Phreatix.log) > "$work/log.diff" ||
  fail "Phreatix.log differs from the single run: $(head -n 10 "$work/log.diff")"
echo "slurm-cluster-test: passed: 3 tasks, one resubmitted alone, merged equal to the single run ($(echo "$zips" | wc -w) zips)"
