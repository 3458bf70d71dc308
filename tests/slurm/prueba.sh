#!/bin/sh
# A one-node Slurm cluster on this machine, for as long as the test lasts: a velmor sweep (two seeds per
# configuration) and a korbent sweep run as job arrays, collected with -r, must give the tables of the same
# sweeps run here with GNU parallel. Needs root (slurmd runs jobs as their user) and the Debian packages
# slurm-wlm and munge. Everything lives in a scratch directory; the daemons are stopped and it is removed
# however the test ends.
#   sh tests/slurm/prueba.sh [build_dir]
set -u
t=''
LC_ALL=C
export LC_ALL
raiz=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "${1:-build}/bin" 2>/dev/null && pwd) || { echo "$0: no existe ${1:-build}/bin" >&2; exit 1; }
falla() {
  echo "$0: $*" >&2
  # The daemons' logs go with the scratch directory: show their ends.
  [ -z "${t:-}" ] || tail -n 15 "$t/munge/log" "$t/ctld/log" "$t/slurmd/log" >&2 2>/dev/null
  exit 1
}
[ "$(id -u)" -eq 0 ] || falla "hace falta root para arrancar slurmd"
for p in munged slurmctld slurmd sbatch sinfo parallel; do
  command -v "$p" >/dev/null 2>&1 || falla "no se encuentra $p (make prueba-slurm instala slurm-wlm, munge y parallel)"
done

t=$(mktemp -d "${TMPDIR:-/tmp}/slurm-XXXXXX") || falla "no se puede crear un directorio temporal"
chmod 755 "$t"
pids=''
termina() {
  # Jobs first: their step daemons outlive slurmd.
  if [ -n "${SLURM_CONF:-}" ]; then
    timeout 10 scancel --partition=prueba 2>/dev/null
    n=0
    while [ -n "$(timeout 5 squeue -h 2>/dev/null)" ] && [ $n -lt 20 ]; do sleep 0.5; n=$((n + 1)); done
  fi
  for p in $pids; do kill "$p" 2>/dev/null; done
  for p in $pids; do
    n=0
    while kill -0 "$p" 2>/dev/null && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
    kill -9 "$p" 2>/dev/null
  done
  rm -rf "$t"
}
trap termina EXIT
trap 'exit 130' INT TERM

# munge, with its own key and socket, so that nothing of a munge already running here is touched.
mkdir -p "$t/munge" "$t/ctld" "$t/slurmd" "$t/trabajo"
chmod 700 "$t/munge"
mungekey --create --keyfile="$t/munge/munge.key" || falla "mungekey"
munged -F -f --socket="$t/munge/socket" --key-file="$t/munge/munge.key" --pid-file="$t/munge/pid" \
  --log-file="$t/munge/log" --seed-file="$t/munge/seed" 2>>"$t/munge/log" &
pids="$pids $!"

nodo=$(hostname -s)
cpus=$(nproc)
puerto=$((20000 + $$ % 20000))
cat >"$t/slurm.conf" <<FIN
ClusterName=prueba
SlurmctldHost=$nodo(127.0.0.1)
SlurmUser=root
SlurmctldPort=$puerto
SlurmdPort=$((puerto + 1))
AuthType=auth/munge
AuthInfo=socket=$t/munge/socket
CredType=cred/munge
StateSaveLocation=$t/ctld
SlurmdSpoolDir=$t/slurmd
SlurmctldPidFile=$t/ctld/pid
SlurmdPidFile=$t/slurmd/pid
SlurmctldLogFile=$t/ctld/log
SlurmdLogFile=$t/slurmd/log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/backfill
ReturnToService=2
MpiDefault=none
MailProg=/bin/true
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
NodeName=$nodo NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=prueba Nodes=$nodo Default=YES MaxTime=INFINITE State=UP
FIN
SLURM_CONF=$t/slurm.conf
export SLURM_CONF
sleep 1
slurmctld -D -f "$SLURM_CONF" >>"$t/ctld/log" 2>&1 &
pids="$pids $!"
slurmd -D -f "$SLURM_CONF" >>"$t/slurmd/log" 2>&1 &
pids="$pids $!"

# The node is ready when the controller has heard from it.
n=0
until [ "$(sinfo -h -N -o %t 2>/dev/null)" = idle ]; do
  n=$((n + 1))
  [ $n -le 60 ] || falla "el nodo no queda libre"
  sleep 1
done

# One sweep twice: here with GNU parallel, and prepared, run as an array and collected. $1: the script;
# the rest: its arguments.
VELMOR=$bin/velmor KORBENT=$bin/korbent
export VELMOR KORBENT
fallos=0
compara() {
  nombre=$1
  guion=$raiz/scripts/$1
  shift
  (cd "$t/trabajo" && sh "$guion" -d local "$@" >/dev/null) || falla "$guion $*: el barrido local fallo"
  (cd "$t/trabajo" && sh "$guion" -d lote -p "$@" >/dev/null) || falla "$guion $* -p fallo"
  n=$(wc -l <"$t/trabajo/lote/trabajos.txt")
  # shellcheck disable=SC2016 # expanded by each task
  (cd "$t/trabajo/lote" && timeout 300 sbatch --wait --array=1-"$n" --cpus-per-task=1 --output=/dev/null \
    --wrap 'VELMOR_HILOS=$SLURM_CPUS_PER_TASK KORBENT_HILOS=$SLURM_CPUS_PER_TASK sh "$(sed -n ${SLURM_ARRAY_TASK_ID}p trabajos.txt)/corre.sh"' \
    >/dev/null) || falla "$nombre: el array no termino bien"
  (cd "$t/trabajo" && sh "$guion" -d lote -r "$@" >/dev/null) || falla "$nombre: -r fallo"
  if cmp -s "$t/trabajo/local/resultados.tsv" "$t/trabajo/lote/resultados.tsv"; then
    echo "$nombre: $n ejecuciones, tablas iguales"
  else
    echo "$nombre: las tablas difieren" >&2
    diff "$t/trabajo/local/resultados.tsv" "$t/trabajo/lote/resultados.tsv" >&2
    fallos=$((fallos + 1))
  fi
  rm -rf "$t/trabajo/local" "$t/trabajo/lote"
}
cp "$raiz/examples/velmor/sunspots.net" "$raiz/examples/velmor/"sunspots-*.dat "$raiz/examples/korbent/"faithful-*.dat "$t/trabajo/"
compara barrido_velmor.sh -h "2 4" -e 1 -c 20 -n 2 -v sunspots-test.dat sunspots.net
compara barrido_korbent.sh -h "2 3" -m "0 2" -n 2 faithful 2 0 20 2 faithful-train.dat faithful-valid.dat faithful-valid.dat
[ "$fallos" -eq 0 ] || falla "$fallos barridos dieron tablas distintas"
echo "2 passed, 0 failed"
