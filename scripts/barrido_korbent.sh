#!/bin/sh
# A grid of korbent trainings over the kernel count (and, if asked, the initialisation mode), run in
# parallel with GNU parallel, each in a directory of its own since every run writes files named after the
# network. The lowest test value Ets of each (mean negative log-density of the test rows) lands in one
# table, resultados.tsv.
#   -h "2 3 4"   kernel counts (required)
#   -m "0 1 2"   initialisation modes (default: the one given)
#   -j n, -d dir, -p, -r   as in barrido_velmor.sh
# The other arguments are korbent's own, without nh. KORBENT names the program (default: see busca_programa
# in comun.sh).
uso="uso: barrido_korbent.sh -h \"nh...\" [-m \"modo...\"] [-j n] [-d dir] [-p | -r] nombre ni no nco modo ftr fts [ftv]"
. "$(dirname "$0")/comun.sh"

lnh='' lmodo='' jobs='' dir='' solo_prepara='' solo_recoge=''
while getopts h:m:j:d:pr op; do
  case $op in
    h) lnh=$OPTARG ;;
    m) lmodo=$OPTARG ;;
    j) jobs=$OPTARG ;;
    d) dir=$OPTARG ;;
    p) solo_prepara=1 ;;
    r) solo_recoge=1 ;;
    *) falla "$uso" ;;
  esac
done
shift $((OPTIND - 1))

recoge_uno() {
  if [ ! -f "$1/consola.txt" ] || [ ! -f "$1/estado" ]; then
    printf '0\t-\t-\t-\tsin_ejecutar'
    return
  fi
  # Cycle lines "\n \t Ciclo: %u \t Etr=%Lf \t Ets=%Lf"; the neural-gas lines have no colon.
  awk -v estado="$(cat "$1/estado")" '
    $1 == "Ciclo:" {
      c = $2; etr = $3; ets = $4
      sub(/^Etr=/, "", etr); sub(/^Ets=/, "", ets)
      n++
      if (n == 1 || ets + 0 < mejor + 0) { mejor = ets; cm = c; em = etr }
    }
    /\*\*\*\* Error \*\*\*\*/ { error = 1 }
    END {
      e = (error || estado != 0) ? "error" : (n ? "ok" : "sin_ciclos")
      printf "%d\t%s\t%s\t%s\t%s", n, (n ? mejor : "-"), (n ? cm : "-"), (n ? em : "-"), e
    }' "$1/consola.txt"
}

recoge() {
  recoge_tabla "$(printf 'nh\tmodo\tnco\tciclos\tmejor_ets\tciclo_mejor\tetr_mejor\testado\tdirectorio')" 8
}

if [ -n "$solo_recoge" ]; then
  [ $# -ge 1 ] || falla "$uso"
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
[ -f "$ftr" ] || falla "no existe el fichero de entrenamiento $ftr"
[ "$fts" != - ] && [ -f "$fts" ] || falla "sin fichero de test no hay valor de test que comparar: $fts"
[ -z "$ftv" ] || [ "$ftv" = - ] || [ -f "$ftv" ] || falla "no existe el fichero de validacion $ftv"
[ ! -e "$dir" ] || falla "$dir ya existe: elija otro con -d o borrelo"

mkdir -p "$dir" || falla "no se puede crear $dir"
: >"$dir/trabajos.txt"
for h in $lnh; do
  for m in $lmodo; do
    t=nh${h}_modo$m
    mkdir "$dir/$t"
    args="$nombre $ni $h $no $nco $m $(basename "$ftr") $(basename "$fts")"
    cp "$ftr" "$fts" "$dir/$t/"
    if [ -n "$ftv" ] && [ "$ftv" != - ]; then
      cp "$ftv" "$dir/$t/"
      args="$args $(basename "$ftv")"
    fi
    printf '%s\t%s\t%s\n' "$h" "$m" "$nco" >"$dir/$t/ajustes"
    {
      echo "#!/bin/sh"
      echo "cd \"\$(dirname \"\$0\")\" || exit 1"
      echo "\"\${KORBENT:-korbent}\" $args </dev/null >consola.txt 2>&1"
      echo "echo \$? >estado"
    } >"$dir/$t/corre.sh"
    echo "$t" >>"$dir/trabajos.txt"
  done
done
echo "$dir: $(wc -l <"$dir/trabajos.txt") configuraciones"
[ -z "$solo_prepara" ] || exit 0

ejecuta_barrido KORBENT korbent
