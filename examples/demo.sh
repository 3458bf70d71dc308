#!/bin/sh
# Runs each example in a fresh copy of its directory (examples/<name>/run), so the shipped files stay clean,
# keeps its console output in run/consola.txt, and draws its plots there when gnuplot is installed.
set -e
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
bin="$top/$build/bin"

# The plots of each example, from the files its run left.
grafica() {
  case $1 in
    velmor)
      sh "$top/scripts/grafica_velmor.sh" "$2" sunspots sunspots-test.dat consola.txt ;;
    korbent)
      # The kernel count is that of the stored network: one line of faithful.rep per kernel.
      [ -f "$2/faithful.rep" ] || { echo "(sin faithful.rep: no hay red que dibujar)"; return 0; }
      KORBENT="$bin/korbent" sh "$top/scripts/grafica_korbent.sh" "$2" faithful 2 \
        "$(grep -c . "$2/faithful.rep")" 0 faithful-train.dat ;;
  esac
}

for ej in "$top"/examples/*/; do
  [ -x "$ej/corre.sh" ] || continue
  nombre=$(basename "$ej")
  run="$top/examples/$nombre/run"
  echo "==== $nombre"
  rm -rf "$run" && mkdir -p "$run"
  for f in "$ej"/*; do [ -f "$f" ] && cp "$f" "$run/"; done
  # The console goes to the screen and to consola.txt; the status comes back through a file, since a
  # pipeline reports only its last command's.
  { estado=0; (cd "$run" && BIN="$bin" sh ./corre.sh) || estado=$?; echo "$estado" >"$run/.estado"; } |
    tee "$run/consola.txt"
  estado=$(cat "$run/.estado") && rm -f "$run/.estado"
  if [ "$estado" -ne 0 ]; then
    # Why: the framed report the program left in its console (its warnings went to the screen above).
    motivo=$(awk '/^\*\*\*\* Error \*\*\*\*$/ { getline; getline; print; exit }' "$run/consola.txt")
    echo "==== $nombre: corre.sh termino con estado $estado: ${motivo:-sin mensaje en consola.txt}" >&2
    exit "$estado"
  fi
  if command -v gnuplot >/dev/null 2>&1; then
    grafica "$nombre" "$run" || echo "==== $nombre: no se pudieron dibujar las graficas" >&2
  else
    echo "==== $nombre: sin gnuplot no se dibujan las graficas (make deps lo instala)"
  fi
  echo "==== $nombre: resultados en examples/$nombre/run/"
done
