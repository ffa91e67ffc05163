#!/bin/bash
# The demo's frames rendered past one machine equal one local run byte for
# byte: as a Slurm job array (a one-node cluster started here from the
# slurm-wlm and munge packages, on private ports, with its state in a
# temporary folder) with the video encoded after it, and as GNU parallel
# chunks. Usage: check_farm.sh BUILD_DIR DATA_DIR
set -uo pipefail
build=$(cd "$1" && pwd) data=$(cd "$2" && pwd)
render=$build/bin/novamir-render
limit=240 # seconds the array and its video job may take
work=$(mktemp -d /tmp/novamir-farm.XXXXXX)
export NOVAMIR_DATA=$data SLURM_CONF=$work/slurm.conf
unset SLURM_JOB_ID SLURM_ARRAY_TASK_ID

stop_daemons()
{
    local pidfile pid i
    for pidfile in "$work/slurmd.pid" "$work/slurmctld.pid" "$work/munged.pid"; do
        [ -s "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null
        # Each daemon is gone before the next one and its folder go.
        for i in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
    done
    rm -rf "$work"
}
trap stop_daemons EXIT

# Ends the test with the daemons' own account of what went wrong.
fail()
{
    echo "FAIL: $*" >&2
    local log
    for log in munged.log slurmctld.log slurmd.log; do
        if [ -f "$work/$log" ]; then
            echo "--- last lines of $log" >&2
            tail -n 25 "$work/$log" >&2
        fi
    done
    exit 1
}

for tool in munged slurmctld slurmd sbatch squeue scontrol parallel ffprobe; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/bootstrap installs slurm-wlm munge parallel)"
done
[ -x "$render" ] || fail "$render is not built"
[ -f "$data/NOVAMIR.CFG" ] || fail "no demo project in $data"

# Two free ports next to each other for the controller and the node daemon.
port=0
for try in $(seq 20); do
    p=$((20000 + RANDOM % 30000))
    if ! ss -ltnH 2>/dev/null | grep -qE ":($p|$((p + 1)))\b"; then
        port=$p
        break
    fi
done
[ "$port" -ne 0 ] || fail "no free pair of ports"

# munge: its own key, socket, state and log, so the machine's own munged (if
# any) is left alone.
mkdir -p "$work/state" "$work/spool" "$work/munge"
chmod 700 "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$work/munge/munge.key"
munged --force --key-file="$work/munge/munge.key" --socket="$work/munge/socket" \
    --pid-file="$work/munged.pid" --seed-file="$work/munge/seed" --log-file="$work/munged.log" ||
    fail "munged did not start"

node=$(hostname -s)
user=$(id -un)
cat >"$work/slurm.conf" <<CONF
ClusterName=novamirtest
SlurmctldHost=$node
SlurmUser=$user
SlurmdUser=$user
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
MinJobAge=600
MailProg=/bin/true
NodeName=$node CPUs=$(nproc) State=UNKNOWN
PartitionName=farm Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -f "$work/slurm.conf" -i || fail "slurmctld did not start"
slurmd -f "$work/slurm.conf" || fail "slurmd did not start"
for i in $(seq 30); do
    state=$(sinfo -h -n "$node" -o %t 2>/dev/null)
    [ "$state" = idle ] && break
    sleep 1
done
[ "$state" = idle ] || fail "the node did not become idle (sinfo says \"$state\")"

# Compares folder $1's frames with the local run's; $2 names the way.
same_frames()
{
    local count
    count=$(ls "$1"/f_*.png 2>/dev/null | wc -l)
    [ "$count" -eq 60 ] || fail "$2: $count frames instead of 60"
    for f in "$work"/local/f_*.png; do
        cmp -s "$f" "$1/${f##*/}" || fail "$2: ${f##*/} differs from the local run"
    done
}
now() { echo $(($(date +%s%N) / 1000000)); } # milliseconds

cd "$work" || fail "no work folder"
t0=$(now)
"$render" --frames 0-59 --output local/f_%04d.png "$data/NOVAMIR.CFG" 2>local.log ||
    fail "the local run failed: $(tail -n 3 local.log)"
t1=$(now)

# The array: the script as --slurm-script prints it, submitted as a user would.
mkdir slurm && cd slurm || fail "no slurm folder"
"$render" --slurm-script 4 --frames 0-59 --output frames/f_%04d.png --video demo.mp4 "$data/NOVAMIR.CFG" \
    >render.sbatch || fail "--slurm-script failed"
t2=$(now)
submitted=$(bash render.sbatch) || fail "submitting failed: $submitted"
array=$(sed -n 's/^frames: job array \([0-9]*\).*/\1/p' <<<"$submitted")
video=$(sed -n 's/^video: job \([0-9]*\).*/\1/p' <<<"$submitted")
[ -n "$array" ] && [ -n "$video" ] || fail "no job ids in \"$submitted\""
t_array=0
while squeue -h -j "$array,$video" 2>/dev/null | grep -q .; do
    ((t_array == 0)) && ! squeue -h -j "$array" 2>/dev/null | grep -q . && t_array=$(now)
    squeue -h -j "$video" -o %r | grep -q DependencyNeverSatisfied &&
        fail "a task failed: $(cat slurm-*.out 2>/dev/null | tail -n 5)"
    (($(now) - t2 > limit * 1000)) && fail "the jobs took more than $limit s: $(squeue)"
    sleep 0.5
done
t3=$(now)
((t_array == 0)) && t_array=$t3
scontrol -o show job "$video" | grep -q JobState=COMPLETED ||
    fail "the video job did not complete: $(scontrol -o show job "$video"; cat slurm-*.out)"
same_frames frames "Slurm array of 4"
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 demo.mp4)
[ "$frames" = 60 ] || fail "demo.mp4 holds \"$frames\" frames, not 60"

# GNU parallel, two at a time over three chunks.
cd "$work" || fail "no work folder"
parallel --halt now,fail=1 -j 2 "$render" --jobs 1 --chunk {}/3 --frames 0-59 --output par/f_%04d.png \
    "$data/NOVAMIR.CFG" ::: 0 1 2 2>parallel.log || fail "parallel failed: $(tail -n 5 parallel.log)"
same_frames par "parallel -j 2 over 3 chunks"

seconds() { echo "$(($1 / 1000)).$(($1 % 1000 / 100)) s"; }
echo "farm: local run $(seconds $((t1 - t0))), Slurm array of 4 $(seconds $((t_array - t2)))," \
    "with the video job $(seconds $((t3 - t2)))"
