#!/bin/sh
# Plots of a velmor run, as PNG files beside it:
#   <modelo>-prediccion.png  the observed test series against the one-step predictions of <modelo>.out
#   <modelo>-errores.png     training and test error per cycle, from the run's saved console output, in the
#                            units <modelo>.wgt gives them
# <modelo> is the first 7 characters of the name, as velmor names its files.
uso="uso: grafica_velmor.sh [-i ni] [-o no] dir nombre fichero_test [consola]"
. "$(dirname "$0")/comun.sh"

ni='' no=''
while getopts i:o: op; do
  case $op in
    i) ni=$OPTARG ;;
    o) no=$OPTARG ;;
    *) falla "$uso" ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 3 ] || [ $# -eq 4 ] || falla "$uso"
dir=$1 nombre=$2
[ -d "$dir" ] || falla "no existe el directorio $dir"
modelo=$(printf '%.7s' "$nombre")
test=$(en_dir "$dir" "$3") || falla "no se encuentra el fichero de test $3"
consola=
if [ $# -eq 4 ]; then consola=$(en_dir "$dir" "$4") || falla "no se encuentra la salida de consola $4"; fi
necesita_gnuplot

# ni and no from the configuration unless given: its 2nd and 4th tokens, read as velmor reads them.
if [ -z "$ni" ] || [ -z "$no" ]; then
  [ -f "$dir/$nombre.net" ] || falla "no existe $dir/$nombre.net: indique -i ni -o no"
  # Split on purpose: a token holds no blank, so each is one word and $# counts them.
  # shellcheck disable=SC2046
  set -- $(tokens "$dir/$nombre.net" | sed -n '1p;2p;4p' | sed 's/^\([0-9][0-9]*\).*/\1/')
  case $1 in velmor | veldmor) ;; *) falla "$dir/$nombre.net no describe un modelo velmor" ;; esac
  [ $# -eq 3 ] || falla "$dir/$nombre.net no describe un modelo velmor"
  [ -n "$ni" ] || ni=$2
  [ -n "$no" ] || no=$3
fi
entero "$ni" ni
entero "$no" no
[ "$ni" -ge 1 ] && [ "$no" -ge 1 ] || falla "ni y no deben ser >= 1"

salida=$dir/$modelo.out
[ -f "$salida" ] || falla "no existe $salida (la prueba del modelo no se ha ejecutado)"
temporal
filas "$test" $((ni + no)) | awk -v ni="$ni" '{ l = NR - 1; for (c = ni + 1; c <= NF; c++) l = l " " $c; print l }' \
  >"$TMPDIR_GUION/obs"
awk -v no="$no" 'NF == no' "$salida" >"$TMPDIR_GUION/pred"
nobs=$(wc -l <"$TMPDIR_GUION/obs")
npred=$(wc -l <"$TMPDIR_GUION/pred")
[ "$nobs" -gt 0 ] || falla "no hay filas en $test"
[ "$nobs" -eq "$npred" ] || falla "$test tiene $nobs filas y $salida $npred: no son del mismo test"
paste -d ' ' "$TMPDIR_GUION/obs" "$TMPDIR_GUION/pred" >"$TMPDIR_GUION/serie"

png=$dir/$modelo-prediccion.png
{
  terminal_png
  echo "set output '$png'"
  echo "set grid"
  echo "set key outside top center horizontal"
  [ "$no" -gt 1 ] && echo "set multiplot layout $no,1 title 'Modelo $modelo: test'"
  k=1
  while [ "$k" -le "$no" ]; do
    [ "$no" -eq 1 ] && echo "set title 'Modelo $modelo: serie de test y prediccion a un paso'"
    echo "set xlabel 'fila del test (t)'"
    echo "set ylabel 'salida $k'"
    echo "plot '$TMPDIR_GUION/serie' using 1:$((k + 1)) with linespoints pt 7 ps 0.6 lw 1.5 title 'observada', \\"
    echo "     '' using 1:$((k + 1 + no)) with linespoints pt 6 ps 0.6 lw 1.5 dt 2 title 'prediccion'"
    k=$((k + 1))
  done
  [ "$no" -gt 1 ] && echo "unset multiplot"
} >"$TMPDIR_GUION/prediccion.gp"
"$GNUPLOT" "$TMPDIR_GUION/prediccion.gp" || falla "gnuplot no pudo dibujar $png"
echo "$png"

[ -n "$consola" ] || exit 0
# A run that ended in a framed report still has its cycle lines to draw, but the plot is not of a whole run.
m=$(mensaje_error "$consola")
[ -z "$m" ] || echo "$0: la ejecucion de $consola termino con un error: $m" >&2
# The model's cycle lines: "Ciclo de Opt.: %5d   Etr = %10f   Ets = %10f ".
sed -n 's/.*Ciclo de Opt\.: *\([0-9][0-9]*\) *Etr = *\([^ ]*\) *Ets = *\([^ ]*\).*/\1 \2 \3/p' "$consola" \
  >"$TMPDIR_GUION/ciclos"
[ -s "$TMPDIR_GUION/ciclos" ] || falla "$consola no tiene lineas de ciclo de optimizacion"
# The lowest test error is what the stored weights hold. A log scale only when the errors span more than a
# decade (and are all positive); within one it would show no tic marks.
# shellcheck disable=SC2046 # split on purpose into cycle, lowest Ets and scale
set -- $(awk 'NR == 1 || $3 < m { m = $3; c = $1 }
              { for (k = 2; k <= 3; k++) { if (!lo || $k < lo) lo = $k; if ($k > hi) hi = $k; if ($k <= 0) nopos = 1 } }
              END { print c, m, (!nopos && hi > 10 * lo ? "log" : "lineal") }' "$TMPDIR_GUION/ciclos")
# The errors' units: those of the data while every output's scaling in the model file is the identity,
# else the network's scaled units, which a single output's scale a turns into data units as a squared factor.
unidades=
if [ -f "$dir/$modelo.wgt" ]; then
  unidades=$(awk -v no="$no" '
    /^\* Coeficientes de los buffers de salida/ { getline; en = 1; next }
    en && NF >= 2 && k < no { k++; a = $1 + 0; if (a != 1 || $2 + 0 != 0) escalada = 1 }
    END {
      if (k < no) exit
      if (!escalada) print "unidades de los datos"
      else if (no == 1) printf "unidades escaladas: x %.6g da unidades de los datos\n", a * a
      else print "unidades escaladas de la red"
    }' "$dir/$modelo.wgt")
fi
png=$dir/$modelo-errores.png
{
  terminal_png
  echo "set output '$png'"
  echo "set grid"
  echo "set key outside top center horizontal"
  echo "set title 'Modelo $modelo: error por ciclo (menor Ets = $2 en el ciclo $1)'"
  echo "set xlabel 'ciclo de optimizacion'"
  echo "set ylabel 'error cuadratico medio${unidades:+ ($unidades)}'"
  [ "$3" = log ] && echo "set logscale y"
  echo "set autoscale yfix"
  echo "set offsets 0, 0, graph 0.05, graph 0.05"
  echo "plot '$TMPDIR_GUION/ciclos' using 1:2 with lines lw 2 title 'Etr (entrenamiento)', \\"
  echo "     '' using 1:3 with lines lw 2 title 'Ets (test)', \\"
  echo "     '-' using 1:2 with points pt 7 ps 1.5 title 'pesos guardados'"
  echo "$1 $2"
  echo "e"
} >"$TMPDIR_GUION/errores.gp"
"$GNUPLOT" "$TMPDIR_GUION/errores.gp" || falla "gnuplot no pudo dibujar $png"
echo "$png"
