#!/bin/sh
# Runs every fuzz target for the given number of seconds each, starting from the seed corpora in
# tests/fuzz/semillas/<target>/ (kept) and growing a working corpus in the build directory.
#   sh tests/fuzz/corre.sh build-fuzz 30
set -e
build=$(cd "${1:-build-fuzz}" && pwd)
segundos=${2:-30}
top=$(cd "$(dirname "$0")/../.." && pwd)
estado=0
for t in "$build"/fuzz/*_fuzz; do
  n=$(basename "$t")
  corpus="$build/corpus/$n"
  mkdir -p "$corpus"
  semillas="$top/tests/fuzz/semillas/$n"
  [ -d "$semillas" ] || semillas=""
  echo "== $n (${segundos}s)"
  if ! "$t" -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz/$n-" "$corpus" $semillas 2>"$build/fuzz/$n.log"; then
    estado=1
    tail -40 "$build/fuzz/$n.log"
  fi
  grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$build/fuzz/$n.log" | tail -1 || true
done
exit $estado
