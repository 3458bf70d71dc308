# shellcheck shell=sh
# Helpers shared by the plot and sweep scripts (sourced, POSIX sh). Everything runs in the C locale so that
# awk and gnuplot read and write a decimal point whatever the user's settings.
LC_ALL=C
export LC_ALL

falla() {
  echo "$0: $*" >&2
  exit 1
}

# The programs' tokens, one per line: blanks, TABs, commas and parentheses separate them, a "*" where a
# token would begin comments out the rest of the line, a "{" before a token is skipped, and everything is
# lower-cased. "=", "[" and "]" end a token as well.
tokens() {
  awk '{
    n = length($0); t = ""
    for (i = 1; i <= n; i++) {
      c = substr($0, i, 1)
      if (c == " " || c == "\t" || c == "," || c == "(" || c == ")" || c == "\r" || c == "=" || c == "[" || c == "]") {
        if (t != "") { print tolower(t); t = "" }
        continue
      }
      if (t == "" && c == "*") break
      if (t == "" && c == "{") continue
      t = t c
    }
    if (t != "") print tolower(t)
  }' "$1"
}

# The rows of a data file, `ancho` numbers to a row whatever its line breaks, one row per output line.
# A token that is not a number reads as 0, as in the programs; an incomplete last row is dropped.
filas() {
  tokens "$1" | awk -v ancho="$2" '{
    fila = fila (k ? " " : "") sprintf("%.10g", $0 + 0)
    if (++k == ancho) { print fila; fila = ""; k = 0 }
  }'
}

# The message of the programs' framed report in a saved console, or nothing when it has none.
mensaje_error() {
  awk '/^\*\*\*\* Error \*\*\*\*$/ { getline; getline; print; exit }' "$1" 2>/dev/null
}

# A file given relative to the run directory, or as a path from here.
en_dir() {
  if [ -f "$2" ]; then printf '%s\n' "$2"; elif [ -f "$1/$2" ]; then printf '%s\n' "$1/$2"; else return 1; fi
}

entero() {
  case $1 in '' | *[!0-9]*) falla "$2: se esperaba un entero >= 0, no '$1'" ;; esac
}

# gnuplot's PNG terminal: cairo where it is built in (smoother lines), libgd otherwise. The probe reads
# nothing from the terminal: `set terminal` pages its list there and waits for Return.
terminal_png() {
  if "$GNUPLOT" -e 'print GPVAL_TERMINALS' </dev/null 2>&1 | grep -qw pngcairo; then
    echo 'set terminal pngcairo size 1000,600 font ",10" noenhanced'
  else
    echo 'set terminal png size 1000,600 noenhanced'
  fi
}

GNUPLOT=${GNUPLOT:-gnuplot}
necesita_gnuplot() {
  command -v "$GNUPLOT" >/dev/null 2>&1 || falla "no se encuentra gnuplot (Debian: apt-get install gnuplot-nox, o make deps)"
}

# A scratch directory removed when the script ends, however it ends.
temporal() {
  TMPDIR_GUION=$(mktemp -d "${TMPDIR:-/tmp}/guion-XXXXXX") || falla "no se puede crear un directorio temporal"
  trap 'rm -rf "$TMPDIR_GUION"' EXIT
  trap 'exit 130' INT TERM
}

# The sweep's table: `cabecera` (TAB-separated names), then one row per job of $dir/trabajos.txt made of
# its settings, what recoge_uno (defined by the sweep) reads from its console, and its directory; then
# the row with the lowest test error (column 5) among those whose column `col_estado` is "ok".
# The sweep functions work in $dir, the sweep directory, which the sweep script sets before it calls them.
# shellcheck disable=SC2154
recoge_tabla() {
  cabecera=$1
  col_estado=$2
  [ -f "$dir/trabajos.txt" ] || falla "no existe $dir/trabajos.txt"
  {
    printf '%s\n' "$cabecera"
    while read -r t; do
      printf '%s\t%s\t%s\n' "$(cat "$dir/$t/ajustes")" "$(recoge_uno "$dir/$t")" "$t"
    done <"$dir/trabajos.txt"
  } >"$dir/resultados.tsv"
  echo "$dir/resultados.tsv"
  awk -F '\t' -v c="$col_estado" 'NR > 1 && $c == "ok" && (!m || $5 + 0 < b + 0) { b = $5; m = $0 }
               END { if (m) print "mejor: " m; else print "ninguna ejecucion completa" }' "$dir/resultados.tsv"
  informa_fallos
}

# Says on standard error which runs failed, with their status and message; false when one did. A run that
# has not run (no status yet) is not a failure (its row says sin_ejecutar), nor a stop chosen at Ctrl-C,
# which ends with 0.
informa_fallos() {
  fallos=0
  while read -r t; do
    [ -f "$dir/$t/estado" ] || continue
    e=$(cat "$dir/$t/estado")
    [ "$e" = 0 ] && continue
    m=$(mensaje_error "$dir/$t/consola.txt")
    echo "$0: $t fallo con estado $e: ${m:-sin mensaje, vea $dir/$t/consola.txt}" >&2
    fallos=$((fallos + 1))
  done <"$dir/trabajos.txt"
  [ "$fallos" -eq 0 ] || { echo "$0: fallaron $fallos ejecuciones" >&2; return 1; }
}

# The program `prog` into the variable `var` (VELMOR or KORBENT), exported for the runs started in other
# directories, so a path is made absolute. It is what `var` already names; else `prog` on the PATH; else the
# one beside the script, as installed; else the build's, for a script run from the repository.
busca_programa() {
  var=$1
  prog=$2
  eval "ruta=\${$var:-}"
  if [ -z "$ruta" ]; then
    guiones=$(cd "$(dirname "$0")" && pwd) || falla "no se encuentra el directorio de $0"
    if command -v "$prog" >/dev/null 2>&1; then
      ruta=$prog
    elif [ -x "$guiones/$prog" ]; then
      ruta=$guiones/$prog
    elif [ -x "$guiones/../build/bin/$prog" ]; then
      ruta=$(cd "$guiones/../build/bin" && pwd)/$prog
    fi
  fi
  case $ruta in /*) ;; */*) ruta=$(pwd)/$ruta ;; esac
  case $ruta in */*) [ -x "$ruta" ] || falla "$ruta no es un programa ejecutable" ;; esac
  command -v "${ruta:-$prog}" >/dev/null 2>&1 || falla "no se encuentra $prog${ruta:+ ($ruta)}: indique $var=ruta"
  eval "$var=\$ruta"
  export "${var?}"
}

# Runs every job of $dir with GNU parallel, then collects the table; `var` and `prog` as for busca_programa.
ejecuta_barrido() {
  command -v parallel >/dev/null 2>&1 || falla "no se encuentra GNU parallel (Debian: apt-get install parallel, o make deps)"
  busca_programa "$1" "$2"
  (cd "$dir" && parallel --will-cite ${jobs:+--jobs "$jobs"} --halt never sh {}/corre.sh :::: trabajos.txt)
  recoge
}
