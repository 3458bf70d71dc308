#!/bin/sh
# A grid of velmor trainings over the hidden-unit count and the error taps, run in parallel with GNU
# parallel. Each configuration trains in a directory of its own, since velmor writes fixed-name auxiliary
# files (mpaux.*) beside the model; the best test error of each lands in one table, resultados.tsv.
#   -h "2 4 8"   hidden-unit counts (default: the configuration's)
#   -e "0 1 2"   error taps, the same for every output (default: the configuration's)
#   -c nco       cycle count of every run (default: the configuration's)
#   -j n         runs at a time (default: one per core)
#   -n K         K runs of each configuration, with seeds s, s+1, ... (s from -s, default 1)
#   -s semilla   VELMOR_SEMILLA of every run, so that the grid repeats
#   -v fichero   held-out file: the kept model of each run is tested on it by a velmor ftest of its own
#   -P P         VELMOR_PACIENCIA of every run
#   -d dir       directory of the sweep (default: barrido-<nombre>)
#   -p           only prepare the directories and trabajos.txt (to run them elsewhere)
#   -r           only collect resultados.tsv from a sweep that has run
# VELMOR names the program (default: see busca_programa in comun.sh).
uso="uso: barrido_velmor.sh [-h nh...] [-e nre...] [-c nco] [-j n] [-n K] [-s semilla] [-v fichero] [-P P] [-d dir] [-p | -r] fichero.net"
. "$(dirname "$0")/comun.sh"

lnh='' lnre='' nco='' jobs='' nrep='' semilla='' validacion='' paciencia='' dir='' solo_prepara='' solo_recoge=''
# shellcheck disable=SC2034 # nrep, semilla, validacion and paciencia are read by comun.sh
while getopts h:e:c:j:n:s:v:P:d:pr op; do
  case $op in
    h) lnh=$OPTARG ;;
    e) lnre=$OPTARG ;;
    c) nco=$OPTARG ;;
    j) jobs=$OPTARG ;;
    n) nrep=$OPTARG ;;
    s) semilla=$OPTARG ;;
    v) validacion=$OPTARG ;;
    P) paciencia=$OPTARG ;;
    d) dir=$OPTARG ;;
    p) solo_prepara=1 ;;
    r) solo_recoge=1 ;;
    *) falla "$uso" ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 1 ] || falla "$uso"
net=$1
base=$(basename "$net" .net)
[ "$base.net" = "$(basename "$net")" ] || falla "$net no es un fichero .net"
origen=$(dirname "$net")
dir=${dir:-barrido-$base}

# Best test error of one run from its console: the lowest Ets over the cycle lines, which is what the
# stored weights hold, with its cycle and training error; then the final test, the held-out test of the kept
# model (validacion/) and a status.
recoge_uno() {
  if [ ! -f "$1/consola.txt" ] || [ ! -f "$1/estado" ]; then
    printf '0\t-\t-\t-\t-\t-\tsin_ejecutar'
    return
  fi
  val=-
  if [ -d "$1/validacion" ]; then
    val=$(awk -v estado="$(cat "$1/validacion/estado" 2>/dev/null)" '
      /^ ets = / { v = $3 }
      /\*\*\*\* Error \*\*\*\*/ { e = 1 }
      END { print (e || estado != 0 || v == "") ? "error" : v }' "$1/validacion/consola.txt" 2>/dev/null)
  fi
  awk -v estado="$(cat "$1/estado")" -v val="${val:-error}" '
    /Ciclo de Opt\.:/ {
      for (k = 1; k <= NF; k++) { if ($k == "Opt.:") c = $(k + 1); if ($k == "Etr") etr = $(k + 2); if ($k == "Ets") ets = $(k + 2) }
      n++
      if (n == 1 || ets + 0 < mejor + 0) { mejor = ets; cm = c; em = etr }
    }
    /^ ets = / { final = $3 }
    /\*\*\*\* Error \*\*\*\*/ { error = 1 }
    END {
      # Without error taps velmor keeps the auxiliary fit untrained: its final test is all there is.
      if (!n && final != "") { mejor = final; cm = 0; em = "-" }
      e = (error || estado != 0 || val == "error") ? "error" : (mejor != "" ? "ok" : "sin_ciclos")
      printf "%d\t%s\t%s\t%s\t%s\t%s\t%s", n, (mejor != "" ? mejor : "-"), (cm != "" ? cm : "-"), (em != "" ? em : "-"),
             (final == "" ? "-" : final), (val == "error" ? "-" : val), e
    }' "$1/consola.txt"
}

recoge() {
  recoge_tabla "$(printf 'nh\tnre\tnco\tsemilla\tciclos\tmejor_ets\tciclo_mejor\tetr_mejor\tets_final\tets_validacion\testado\tdirectorio')"
}

if [ -n "$solo_recoge" ]; then
  recoge
  exit
fi

[ -f "$net" ] || falla "no existe $net"
[ ! -e "$dir" ] || falla "$dir ya existe: elija otro con -d o borrelo"
for v in $lnh; do entero "$v" nh; [ "$v" -ge 1 ] || falla "nh debe ser >= 1"; done
for v in $lnre; do entero "$v" nre; done
[ -z "$nco" ] || { entero "$nco" nco; [ "$nco" -ge 1 ] || falla "nco debe ser >= 1"; }
[ -z "$jobs" ] || entero "$jobs" "-j"
comprueba_opciones_barrido

# The configuration as velmor reads it.
temporal
tok=$TMPDIR_GUION/tokens
tokens "$net" >"$tok"
case $(sed -n 1p "$tok") in velmor | veldmor) ;; *) falla "$net no describe un modelo velmor" ;; esac
ni=$(sed -n 's/^\([0-9]*\).*/\1/;2p' "$tok") no=$(sed -n 's/^\([0-9]*\).*/\1/;4p' "$tok")
[ -n "$ni" ] && [ "$ni" -ge 1 ] && [ -n "$no" ] && [ "$no" -ge 1 ] || falla "$net: ni y no deben ser >= 1"
[ "$(sed -n 5p "$tok")" = nri ] && [ "$(sed -n $((6 + ni))p "$tok")" = nre ] ||
  falla "$net: se esperaba nri y nre tras ni nh no"
resto=$((7 + ni + no))
[ "$(sed -n ${resto}p "$tok")" = learn ] || falla "$net: el barrido entrena de cero; el trabajo debe ser learn"
[ -n "$lnh" ] || lnh=$(sed -n 3p "$tok")
[ -n "$lnre" ] || lnre=$(sed -n $((7 + ni))p "$tok" | sed 's/^\([0-9]*\).*/\1/')
ftrain=$(awk -v r="$resto" 'NR > r && p { print; exit } NR > r { p = ($0 == "ftrain") }' "$tok")
ftest=$(awk -v r="$resto" 'NR > r && p { print; exit } NR > r { p = ($0 == "ftest") }' "$tok")
[ -n "$ftrain" ] && [ -f "$origen/$ftrain" ] || falla "$net: no se encuentra el fichero de entrenamiento $ftrain"
[ -n "$ftest" ] || falla "$net: sin fichero de test no hay error de test que comparar"
[ -f "$origen/$ftest" ] || falla "$net: no se encuentra el fichero de test $ftest"

ncorre=$nco
[ -n "$ncorre" ] || ncorre=$(awk -v r="$resto" 'NR == r + 2 { print }' "$tok")
modelo=$(printf '%.7s' "$base")
# A run's configuration: the grid values replace nh and the error taps; the job from the keyword on is kept
# as it stands, or, for the held-out test, is an ftest of validacion.dat (velmor reads names lower-cased).
configura() {
  awk -v ni="$ni" -v no="$no" -v h="$1" -v e="$2" -v nco="$nco" -v r="$resto" -v prueba="${3:-}" '
    NR == 1 { print; next }
    NR == 2 { l = $0; next }
    NR == 3 { l = l " " h; next }
    NR == 4 { print l " " $0; next }
    NR == 5 { l = $0; next }
    NR <= 5 + ni { l = l " " $0; next }
    NR == 6 + ni { print l; l = $0; next }
    NR <= 6 + ni + no { l = l " " e; next }
    NR == r && prueba != "" { print l; print "ftest " prueba; exit }
    NR == r { print l; print; next }
    NR == r + 2 && nco != "" && prev == "nco" { $0 = nco }
    NR > r { printf "%s%s", $0, ($0 == "nco" || $0 == "ftrain" || $0 == "ftest") ? " " : "\n" }
    { prev = $0 }
    END { if (prev == "nco" || prev == "ftrain" || prev == "ftest") print "" }' "$tok"
}

mkdir -p "$dir" || falla "no se puede crear $dir"
: >"$dir/trabajos.txt"
for h in $lnh; do
  for e in $lnre; do
    for s in $(semillas); do
      [ "$s" != - ] || s=''
      t=$(nombre_ejecucion "nh${h}_nre$e" "$s")
      mkdir "$dir/$t"
      configura "$h" "$e" >"$dir/$t/$base.net"
      cp "$origen/$ftrain" "$origen/$ftest" "$dir/$t/"
      printf '%s\t%s\t%s\n' "$h" "$e" "$ncorre" >"$dir/$t/ajustes"
      [ -z "$s" ] || printf '%s\n' "$s" >"$dir/$t/semilla"
      # The held-out test runs the kept weights in a directory of its own, so the run's own test outputs stay.
      despues=''
      if [ -n "$validacion" ]; then
        mkdir "$dir/$t/validacion"
        configura "$h" "$e" validacion.dat >"$dir/$t/validacion/$base.net"
        cp "$validacion" "$dir/$t/validacion/validacion.dat"
        despues="cp \"$modelo.wgt\" \"$modelo#.wgt\" validacion/ 2>validacion/errores.txt &&
  (cd validacion && unset VELMOR_PACIENCIA && \"\${VELMOR:-velmor}\" \"$base\" </dev/null >consola.txt 2>errores.txt)
  echo \$? >validacion/estado"
      fi
      # Everything a run needs is in its directory, so it can be shipped to another machine as it is.
      escribe_corre "$dir/$t" "${s:+VELMOR_SEMILLA=$s} ${paciencia:+VELMOR_PACIENCIA=$paciencia}" \
        "\"\${VELMOR:-velmor}\" \"$base\"" "$despues"
      echo "$t" >>"$dir/trabajos.txt"
    done
  done
done
echo "$dir: $(wc -l <"$dir/trabajos.txt") ejecuciones"
[ -z "$solo_prepara" ] || exit 0

ejecuta_barrido VELMOR velmor
