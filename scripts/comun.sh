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

# The sweeps' options beyond the grid, checked once: -n restarts, -s first seed, -v held-out file, -P patience.
comprueba_opciones_barrido() {
  [ -z "$nrep" ] || { entero "$nrep" "-n"; [ "$nrep" -ge 1 ] || falla "-n debe ser >= 1"; }
  case $semilla in '' | -[0-9]* | [0-9]*) [ -z "$semilla" ] || entero "${semilla#-}" "-s" ;;
    *) falla "la semilla debe ser un entero" ;; esac
  [ -z "$paciencia" ] || { entero "$paciencia" "-P"; [ "$paciencia" -ge 1 ] || falla "-P debe ser >= 1"; }
  [ -z "$validacion" ] || [ -f "$validacion" ] || falla "no existe el fichero de validacion $validacion"
}

# The seeds of one configuration's runs: s, s+1, ... for -n; else the one -s gave, or "-" for none.
semillas() {
  if [ -n "$nrep" ]; then
    awk -v s="${semilla:-1}" -v n="$nrep" 'BEGIN { for (k = 0; k < n; k++) print s + k }'
  else
    printf '%s\n' "${semilla:--}"
  fi
}

# The run directory's name: the configuration's, with its seed when a configuration has several runs.
nombre_ejecucion() {
  if [ -n "$nrep" ] && [ "$2" != todas ]; then printf '%s_s%s\n' "$1" "$2"; else printf '%s\n' "$1"; fi
}

# corre.sh of run directory $1: exports the settings in $2 ("VAR=valor" words), runs $3 with its standard
# output in consola.txt and its standard error apart, in errores.txt (a warning written between two parts of
# a cycle line would break it), and, when the run ended with 0, runs $4 after it. The status is written
# last, so that a run collected half-way shows as not run.
escribe_corre() {
  {
    echo "#!/bin/sh"
    echo "cd \"\$(dirname \"\$0\")\" || exit 1"
    for a in $2; do echo "$a; export ${a%%=*}"; done
    echo "$3 </dev/null >consola.txt 2>errores.txt"
    echo "e=\$?"
    [ -z "$4" ] || echo "[ \$e -ne 0 ] || { $4; }"
    echo "echo \$e >estado"
  } >"$1/corre.sh"
}

# The seed of a run: the one it was given, or the one velmor drew from the clock and printed, or "-".
semilla_de() {
  if [ -s "$1/semilla" ]; then
    cat "$1/semilla"
  else
    s=$(sed -n 's/^Semilla: \([0-9]*\).*/\1/p' "$1/errores.txt" 2>/dev/null | head -n 1)
    printf '%s\n' "${s:--}"
  fi
}

# The sweep's table: `cabecera` (TAB-separated names), then one row per job of $dir/trabajos.txt made of
# its settings, its seed, what recoge_uno (defined by the sweep) reads from its files, and its directory;
# then the row with the lowest test error among those whose estado is "ok", and resumen.tsv.
# The sweep functions work in $dir, the sweep directory, which the sweep script sets before it calls them.
# shellcheck disable=SC2154
recoge_tabla() {
  [ -f "$dir/trabajos.txt" ] || falla "no existe $dir/trabajos.txt"
  {
    printf '%s\n' "$1"
    while read -r t; do
      printf '%s\t%s\t%s\t%s\n' "$(cat "$dir/$t/ajustes")" "$(semilla_de "$dir/$t")" "$(recoge_uno "$dir/$t")" "$t"
    done <"$dir/trabajos.txt"
  } >"$dir/resultados.tsv"
  echo "$dir/resultados.tsv"
  mejor_por mejor_ets "mejor"
  case " ${extra:-} " in *" bic "*) mejor_por bic "mejor por BIC" ;; esac
  resumen
  informa_fallos
}

# Prints the completed row with the lowest value in column `col` (by name), after `etiqueta`; resumen.tsv
# carries the columns named in `extra` (set by the sweep) of each configuration's best run.
mejor_por() {
  awk -F '\t' -v col="$1" -v etiqueta="$2" '
    NR == 1 { for (k = 1; k <= NF; k++) c[$k] = k; next }
    $c["estado"] == "ok" && $c[col] != "-" && (!m || $c[col] + 0 < b + 0) { b = $c[col]; m = $0 }
    END { if (m) print etiqueta ": " m; else if (col == "mejor_ets") print "ninguna ejecucion completa" }' "$dir/resultados.tsv"
}

# resumen.tsv: one row per configuration (the first three columns of resultados.tsv) with its completed runs,
# the best of them by test error (its seed, errors, and the sweep's extra columns named in `extra`), the
# median and range (largest minus smallest) of the test and held-out errors over its seeds, and the best
# run's directory. Rows are ranked by the held-out error of the best run when there is one, else by its
# test error; configurations without a completed run go last.
resumen() {
  awk -F '\t' -v OFS='\t' -v extra="${extra:-}" '
    function mediana(v, n,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function rango(v, n) { return v[n] - v[1] }  # v sorted by mediana()
    NR == 1 {
      for (k = 1; k <= NF; k++) c[$k] = k
      ne = split(extra, ex, " ")
      cab = $1 OFS $2 OFS $3 OFS "ejecuciones" OFS "semilla" OFS "mejor_ets" OFS "ets_validacion"
      for (k = 1; k <= ne; k++) cab = cab OFS ex[k]
      print cab, "mediana_ets", "rango_ets", "mediana_validacion", "rango_validacion", "directorio"
      next
    }
    {
      clave = $1 OFS $2 OFS $3
      if (!(clave in n)) { orden[++nc] = clave; n[clave] = 0 }
      if ($c["estado"] != "ok") next
      k = ++n[clave]
      ets[clave, k] = $c["mejor_ets"] + 0
      if ($c["ets_validacion"] != "-") { nv[clave]++; val[clave, nv[clave]] = $c["ets_validacion"] + 0; hay_val = 1 }
      if (k == 1 || $c["mejor_ets"] + 0 < ets[clave, mejor[clave]]) { mejor[clave] = k; fila[clave] = $0 }
    }
    END {
      for (i = 1; i <= nc; i++) {
        clave = orden[i]
        if (!n[clave]) {
          l = clave OFS 0 OFS "-" OFS "-" OFS "-"
          for (k = 1; k <= ne; k++) l = l OFS "-"
          print 1, 0, i, l OFS "-" OFS "-" OFS "-" OFS "-" OFS "-"
          continue
        }
        split(fila[clave], f, "\t")
        l = clave OFS n[clave] OFS f[c["semilla"]] OFS f[c["mejor_ets"]] OFS f[c["ets_validacion"]]
        for (k = 1; k <= ne; k++) l = l OFS f[c[ex[k]]]
        delete v; for (k = 1; k <= n[clave]; k++) v[k] = ets[clave, k]
        l = l OFS sprintf("%.6f", mediana(v, n[clave])) OFS sprintf("%.6f", rango(v, n[clave]))
        delete v; for (k = 1; k <= nv[clave]; k++) v[k] = val[clave, k]
        if (nv[clave]) l = l OFS sprintf("%.6f", mediana(v, nv[clave])) OFS sprintf("%.6f", rango(v, nv[clave]))
        else l = l OFS "-" OFS "-"
        orden_por = hay_val ? f[c["ets_validacion"]] : f[c["mejor_ets"]]
        print (orden_por == "-"), orden_por + 0, i, l OFS f[c["directorio"]]
      }
    }' "$dir/resultados.tsv" >"$dir/resumen.tmp" || falla "no se puede escribir $dir/resumen.tsv"
  { sed -n 1p "$dir/resumen.tmp"; sed 1d "$dir/resumen.tmp" | sort -t "$(printf '\t')" -k1,1n -k2,2n -k3,3n | cut -f 4-; } \
    >"$dir/resumen.tsv" && rm -f "$dir/resumen.tmp" || falla "no se puede escribir $dir/resumen.tsv"
  echo "$dir/resumen.tsv"
}

# Says on standard error which runs (and held-out tests) failed, with their status and message; false when
# one did. A run that has not run (no status yet) is not a failure (its row says sin_ejecutar), nor a stop
# chosen at Ctrl-C, which ends with 0.
informa_fallos() {
  fallos=0
  while read -r t; do
    for r in "$t" "$t/validacion"; do
      [ -f "$dir/$r/estado" ] || continue
      e=$(cat "$dir/$r/estado")
      [ "$e" = 0 ] && continue
      m=$(mensaje_error "$dir/$r/consola.txt")
      echo "$0: $r fallo con estado $e: ${m:-sin mensaje, vea consola.txt y errores.txt en $dir/$r}" >&2
      fallos=$((fallos + 1))
    done
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
  # The runs at a time share the cores: each program would otherwise start a thread per core.
  eval "hilos=\${${1}_HILOS-}"
  if [ -z "$hilos" ]; then
    nucleos=$(nproc 2>/dev/null || echo 1)
    hilos=$((nucleos / ${jobs:-$nucleos}))
    [ "$hilos" -ge 1 ] || hilos=1
    eval "${1}_HILOS=\$hilos"
    export "${1}_HILOS"
  fi
  (cd "$dir" && parallel --will-cite ${jobs:+--jobs "$jobs"} --halt never sh {}/corre.sh :::: trabajos.txt)
  recoge
}
