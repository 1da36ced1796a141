#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, for the cluster tests: munged,
# slurmctld and slurmd as root with a minimal slurm.conf, state and logs in
# STATE_DIR. Needs Debian's slurm-wlm and munge, and root.
#
#   scripts/slurm-local.sh start STATE_DIR   starts the daemons; prints the
#                                             SLURM_CONF the clients need
#   scripts/slurm-local.sh stop STATE_DIR    stops the daemons it started, by
#                                             their process ids
#
# Exit 77 when the cluster cannot start here (no Slurm, not root), unless
# PHREATIX_REQUIRE_SLURM=1 (as in CI): then 1.
set -euo pipefail

action=${1:-}
state=${2:-}
if [ -z "$action" ] || [ -z "$state" ]; then
  echo "usage: $0 start|stop STATE_DIR" >&2
  exit 2
fi

unavailable() {
  if [ "${PHREATIX_REQUIRE_SLURM:-0}" = 1 ]; then
    echo "slurm-local: FAIL: $*" >&2
    exit 1
  fi
  echo "slurm-local: skipped: $*" >&2
  exit 77
}

stop_pid() {
  local file=$1
  [ -f "$file" ] || return 0
  local pid
  pid=$(cat "$file")
  if [ -n "$pid" ] && kill -0 "$pid" 2> /dev/null; then
    kill "$pid" 2> /dev/null || true
    for _ in $(seq 50); do
      kill -0 "$pid" 2> /dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2> /dev/null || true
  fi
  rm -f "$file"
}

if [ "$action" = stop ]; then
  stop_pid "$state/slurmd.pid"
  stop_pid "$state/slurmctld.pid"
  stop_pid "$state/munged.pid"
  exit 0
fi
[ "$action" = start ] || { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }

for tool in munged slurmctld slurmd sbatch squeue sinfo; do
  command -v "$tool" > /dev/null || PATH=$PATH:/usr/sbin
  command -v "$tool" > /dev/null || unavailable "$tool is missing (Debian slurm-wlm and munge)"
done
[ "$(id -u)" -eq 0 ] || unavailable "the daemons need root"

mkdir -p "$state"/{state,spool}
state=$(cd "$state" && pwd)
host=$(hostname -s)

# A fresh munge key, readable by root only.
dd if=/dev/urandom bs=1 count=1024 of="$state/munge.key" status=none
chmod 400 "$state/munge.key"
munged --force --key-file="$state/munge.key" --socket="$state/munge.socket" \
  --pid-file="$state/munged.pid" --log-file="$state/munged.log" \
  --seed-file="$state/munged.seed" ||
  unavailable "munged did not start: $(tail -n 3 "$state/munged.log" 2> /dev/null)"

# Free ports: a second cluster on the machine must not collide.
port=$((6817 + ($$ % 400) * 2))
cat > "$state/slurm.conf" << EOF
ClusterName=phreatix
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
AuthInfo=socket=$state/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/backfill
MpiDefault=none
ReturnToService=2
StateSaveLocation=$state/state
SlurmdSpoolDir=$state/spool
SlurmctldPidFile=$state/slurmctld.pid
SlurmdPidFile=$state/slurmd.pid
SlurmctldLogFile=$state/slurmctld.log
SlurmdLogFile=$state/slurmd.log
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=main Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF=$state/slurm.conf

slurmctld -f "$SLURM_CONF" -i ||
  { "$0" stop "$state"; unavailable "slurmctld did not start: $(tail -n 3 "$state/slurmctld.log")"; }
slurmd -f "$SLURM_CONF" ||
  { "$0" stop "$state"; unavailable "slurmd did not start: $(tail -n 3 "$state/slurmd.log")"; }

# The node must come up idle before jobs can run.
for _ in $(seq 100); do
  if sinfo -h -o %t 2> /dev/null | grep -q idle; then
    echo "SLURM_CONF=$SLURM_CONF"
    exit 0
  fi
  sleep 0.2
done
"$0" stop "$state"
unavailable "the node did not come up: $(sinfo 2>&1 | tail -n 2); $(tail -n 3 "$state/slurmctld.log")"
