#!/bin/sh
# Runs each example in a fresh copy of its directory (examples/<name>/run), so the shipped files stay clean.
set -e
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
bin="$top/$build/bin"
for ej in "$top"/examples/*/; do
  [ -x "$ej/corre.sh" ] || continue
  nombre=$(basename "$ej")
  echo "==== $nombre"
  rm -rf "$ej/run" && mkdir -p "$ej/run"
  for f in "$ej"/*; do [ -f "$f" ] && cp "$f" "$ej/run/"; done
  (cd "$ej/run" && BIN="$bin" sh ./corre.sh)
  echo "==== $nombre: resultados en examples/$nombre/run/"
done
