#!/bin/sh
# A grid of korbent trainings over the kernel count (and, if asked, the initialisation mode), run in
# parallel with GNU parallel, each in a directory of its own since every run writes files named after the
# network. The lowest test value Ets of each (mean negative log-density of the test rows) lands in one
# table, resultados.tsv, with the information criteria AIC and BIC of each run.
#   -h "2 3 4"   kernel counts (required)
#   -m "0 1 2"   initialisation modes (default: the one given)
#   -n K, -s s   K runs with KORBENT_SEMILLA s, s+1, ... of the modes that draw random numbers (0, and 1
#                with more than one kernel); the others draw none, and one run stands for every seed
#   -v fichero   held-out file: the runs' validation file (instead of ftv)
#   -P P         KORBENT_PACIENCIA of every run
#   -O opt       KORBENT_OPTIMIZADOR of every run: lmqn1 or em
#   -j n, -d dir, -p, -r   as in barrido_velmor.sh
# The other arguments are korbent's own, without nh. KORBENT names the program (default: see busca_programa
# in comun.sh).
uso="uso: barrido_korbent.sh -h \"nh...\" [-m \"modo...\"] [-n K] [-s semilla] [-v fichero] [-P P] [-O lmqn1|em] [-j n] [-d dir] [-p | -r] nombre ni no nco modo ftr fts [ftv]"
. "$(dirname "$0")/comun.sh"

lnh='' lmodo='' nrep='' semilla='' validacion='' paciencia='' optimizador='' jobs='' dir='' solo_prepara='' solo_recoge=''
# shellcheck disable=SC2034 # nrep, semilla, validacion and paciencia are read by comun.sh
while getopts h:m:n:s:v:P:O:j:d:pr op; do
  case $op in
    h) lnh=$OPTARG ;;
    m) lmodo=$OPTARG ;;
    n) nrep=$OPTARG ;;
    s) semilla=$OPTARG ;;
    v) validacion=$OPTARG ;;
    P) paciencia=$OPTARG ;;
    O) optimizador=$OPTARG ;;
    j) jobs=$OPTARG ;;
    d) dir=$OPTARG ;;
    p) solo_prepara=1 ;;
    r) solo_recoge=1 ;;
    *) falla "$uso" ;;
  esac
done
shift $((OPTIND - 1))

# One run's best test value, with its cycle and training value; the mean negative natural log-density of the
# held-out rows from <nombre>.out (whose first column is log10 of the density); the information criteria of
# the kept network from its training value, with p = nh*2*ni + nh - 1 (centres, widths, mixing weights) and
# N training rows, both in the run's file criterio; and a status.
recoge_uno() {
  if [ ! -f "$1/consola.txt" ] || [ ! -f "$1/estado" ]; then
    printf '0\t-\t-\t-\t-\t-\t-\t-\tsin_ejecutar'
    return
  fi
  val=-
  [ ! -f "$1/$nombre.out" ] ||
    val=$(awk '{ s -= $1 * log(10); n++ } END { if (n) printf "%.6f", s / n; else print "-" }' "$1/$nombre.out")
  # Cycle lines "\n \t Ciclo: %u \t Etr=%Lf \t Ets=%Lf"; the neural-gas lines have no colon.
  awk -v estado="$(cat "$1/estado")" -v val="$val" -v criterio="$(cat "$1/criterio" 2>/dev/null)" '
    $1 == "Ciclo:" {
      c = $2; etr = $3; ets = $4
      sub(/^Etr=/, "", etr); sub(/^Ets=/, "", ets)
      n++
      if (n == 1 || ets + 0 < mejor + 0) { mejor = ets; cm = c; em = etr }
    }
    /\*\*\*\* Error \*\*\*\*/ { error = 1 }
    END {
      e = (error || estado != 0) ? "error" : (n ? "ok" : "sin_ciclos")
      split(criterio, pn, " ")
      p = pn[1]; N = pn[2]
      if (n && N > 0) ic = sprintf("%s\t%.3f\t%.3f", p, 2 * N * em + 2 * p, 2 * N * em + p * log(N))
      else ic = (p == "" ? "-" : p) "\t-\t-"
      printf "%d\t%s\t%s\t%s\t%s\t%s\t%s", n, (n ? mejor : "-"), (n ? cm : "-"), (n ? em : "-"), val, ic, e
    }' "$1/consola.txt"
}

recoge() {
  # shellcheck disable=SC2034 # read by comun.sh
  extra="parametros aic bic"
  recoge_tabla "$(printf 'nh\tmodo\tnco\tsemilla\tciclos\tmejor_ets\tciclo_mejor\tetr_mejor\tets_validacion\tparametros\taic\tbic\testado\tdirectorio')"
}

if [ -n "$solo_recoge" ]; then
  [ $# -ge 1 ] || falla "$uso"
  nombre=$1
  dir=${dir:-barrido-$1}
  recoge
  exit
fi

[ $# -eq 7 ] || [ $# -eq 8 ] || falla "$uso"
nombre=$1 ni=$2 no=$3 nco=$4 modo=$5 ftr=$6 fts=$7 ftv=${8:-}
dir=${dir:-barrido-$nombre}
[ -n "$lnh" ] || falla "indique los numeros de nucleos con -h"
entero "$ni" ni
entero "$no" no
entero "$nco" nco
[ "$ni" -ge 1 ] || falla "ni debe ser >= 1"
[ -n "$lmodo" ] || lmodo=$modo
for v in $lnh; do entero "$v" nh; [ "$v" -ge 1 ] || falla "nh debe ser >= 1"; done
# A stored network has its own kernel count: continuing from one does not belong in a grid over it.
for v in $lmodo; do entero "$v" modo; [ $((v % 256)) -ne 3 ] || falla "el modo 3 continua una red guardada: no cabe en un barrido"; done
[ -z "$jobs" ] || entero "$jobs" "-j"
comprueba_opciones_barrido
case $optimizador in '' | lmqn1 | em) ;; *) falla "-O: optimizador lmqn1 o em, no '$optimizador'" ;; esac
if [ -n "$validacion" ]; then
  [ -z "$ftv" ] || [ "$ftv" = - ] || [ "$ftv" = "$validacion" ] ||
    falla "fichero de validacion dado dos veces: $ftv y -v $validacion"
  ftv=$validacion
fi
[ -f "$ftr" ] || falla "no existe el fichero de entrenamiento $ftr"
[ "$fts" != - ] && [ -f "$fts" ] || falla "sin fichero de test no hay valor de test que comparar: $fts"
[ -z "$ftv" ] || [ "$ftv" = - ] || [ -f "$ftv" ] || falla "no existe el fichero de validacion $ftv"
[ ! -e "$dir" ] || falla "$dir ya existe: elija otro con -d o borrelo"

# Kernels placed by neural gas draw random rows, and so does k-means when it seeds more than one kernel;
# leader seeding is deterministic, and so is every other mode.
al_azar() {
  m=$(($2 % 256))
  [ "$m" -eq 0 ] || { [ "$m" -eq 1 ] && [ "$1" -gt 1 ]; }
}

ntr=$(filas "$ftr" $((ni + no)) | wc -l)
mkdir -p "$dir" || falla "no se puede crear $dir"
: >"$dir/trabajos.txt"
for h in $lnh; do
  for m in $lmodo; do
    if al_azar "$h" "$m"; then lsem=$(semillas); else lsem=todas; fi
    for s in $lsem; do
      [ "$s" != - ] || s=''
      t=$(nombre_ejecucion "nh${h}_modo$m" "$s")
      mkdir "$dir/$t"
      args="$nombre $ni $h $no $nco $m $(basename "$ftr") $(basename "$fts")"
      cp "$ftr" "$fts" "$dir/$t/"
      if [ -n "$ftv" ] && [ "$ftv" != - ]; then
        cp "$ftv" "$dir/$t/"
        args="$args $(basename "$ftv")"
      fi
      printf '%s\t%s\t%s\n' "$h" "$m" "$nco" >"$dir/$t/ajustes"
      printf '%s\n' "${s:-1}" >"$dir/$t/semilla"
      printf '%s %s\n' $((h * 2 * ni + h - 1)) "$ntr" >"$dir/$t/criterio"
      [ "$s" != todas ] || s=${semilla:-1}
      entorno="KORBENT_SEMILLA=${s:-1} ${paciencia:+KORBENT_PACIENCIA=$paciencia}"
      escribe_corre "$dir/$t" "$entorno ${optimizador:+KORBENT_OPTIMIZADOR=$optimizador}" "\"\${KORBENT:-korbent}\" $args"
      echo "$t" >>"$dir/trabajos.txt"
    done
  done
done
echo "$dir: $(wc -l <"$dir/trabajos.txt") ejecuciones"
[ -z "$solo_prepara" ] || exit 0

ejecuta_barrido KORBENT korbent
