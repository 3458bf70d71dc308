#!/bin/sh
# Plots of a trained korbent network, as PNG files beside the run:
#   <nombre>-densidad.png  log10 of the fitted density over a grid spanning the training data (a curve for
#                          one input, a heat map with contours for two), with the training rows on top
#   <nombre>-vlr.png       the level index vlr of each validation row, from the run's <nombre>.out
# The grid is scored by korbent itself, reloading the representation files in a scratch directory, so the
# run's own <nombre>.out stays as it is. KORBENT names the program (default: see busca_programa in comun.sh).
uso="uso: grafica_korbent.sh dir nombre ni nh no fichero_entrenamiento [puntos_por_eje]"
. "$(dirname "$0")/comun.sh"

[ $# -eq 6 ] || [ $# -eq 7 ] || falla "$uso"
dir=$1 nombre=$2 ni=$3 nh=$4 no=$5
entero "$ni" ni
entero "$nh" nh
entero "$no" no
[ "$ni" -ge 1 ] && [ "$nh" -ge 1 ] || falla "ni y nh deben ser >= 1"
[ -d "$dir" ] || falla "no existe el directorio $dir"
entrena=$(en_dir "$dir" "$6") || falla "no se encuentra el fichero de entrenamiento $6"
puntos=${7:-}
necesita_gnuplot
temporal

hecho=
if [ "$ni" -le 2 ]; then
  busca_programa KORBENT korbent
  if [ -z "$puntos" ]; then if [ "$ni" -eq 1 ]; then puntos=301; else puntos=81; fi; fi
  entero "$puntos" puntos_por_eje
  [ "$puntos" -ge 2 ] || falla "puntos_por_eje debe ser >= 2"

  filas "$entrena" $((ni + no)) | cut -d ' ' -f 1-"$ni" >"$TMPDIR_GUION/puntos"
  [ -s "$TMPDIR_GUION/puntos" ] || falla "no hay filas en $entrena"
  trabajo=$TMPDIR_GUION/red
  mkdir "$trabajo"
  sufijos="rep sig nvr wa prc"
  [ "$no" -gt 0 ] && sufijos="$sufijos yme"
  for s in $sufijos; do
    [ -f "$dir/$nombre.$s" ] || falla "no existe $dir/$nombre.$s: entrene la red antes de dibujarla"
    cp "$dir/$nombre.$s" "$trabajo/"
  done

  # The grid spans the training rows and a tenth of their range beyond; the targets korbent expects
  # after the inputs are dummies.
  awk -v ni="$ni" -v no="$no" -v n="$puntos" '
    { for (c = 1; c <= ni; c++) { if (NR == 1 || $c < lo[c]) lo[c] = $c; if (NR == 1 || $c > hi[c]) hi[c] = $c } }
    END {
      for (c = 1; c <= ni; c++) {
        m = (hi[c] > lo[c]) ? 0.1 * (hi[c] - lo[c]) : 1
        lo[c] -= m; hi[c] += m
      }
      ceros = ""
      for (k = 0; k < no; k++) ceros = ceros " 0"
      print "* rejilla de evaluacion de la densidad"
      for (a = 0; a < n; a++) {
        x = lo[1] + (hi[1] - lo[1]) * a / (n - 1)
        if (ni == 1) { printf "%.10g%s\n", x, ceros; continue }
        for (b = 0; b < n; b++) printf "%.10g %.10g%s\n", x, lo[2] + (hi[2] - lo[2]) * b / (n - 1), ceros
      }
    }' "$TMPDIR_GUION/puntos" >"$trabajo/rejilla.dat"

  (cd "$trabajo" && "$KORBENT" "$nombre" "$ni" "$nh" "$no" 0 0 - - rejilla.dat </dev/null >consola.txt 2>&1)
  estado=$?
  if [ "$estado" -ne 0 ] || grep -q '\*\*\*\* Error \*\*\*\*' "$trabajo/consola.txt"; then
    cat "$trabajo/consola.txt" >&2
    falla "korbent no pudo evaluar la rejilla (estado $estado): $(mensaje_error "$trabajo/consola.txt")"
  fi
  nrej=$(grep -vc '^\*' "$trabajo/rejilla.dat")
  [ -f "$trabajo/$nombre.out" ] && [ "$(wc -l <"$trabajo/$nombre.out")" -eq "$nrej" ] ||
    falla "korbent no escribio una fila por punto de la rejilla"

  # log10 p beside each grid point. A density of 0 prints as a huge negative constant; a floor at most ten
  # decades under the peak keeps it from flattening the scale.
  grep -v '^\*' "$trabajo/rejilla.dat" | cut -d ' ' -f 1-"$ni" | paste -d ' ' - "$trabajo/$nombre.out" |
    awk -v ni="$ni" '{ print $1, (ni == 2 ? $2 : ""), $(ni + 1) }' >"$TMPDIR_GUION/bruto"
  suelo=$(awk 'NR == 1 || $NF > m { m = $NF } NR == 1 || $NF < n { n = $NF }
                END { print (n > m - 10 ? n : m - 10) }' "$TMPDIR_GUION/bruto")
  awk -v ni="$ni" -v n="$puntos" -v s="$suelo" '{
      v = ($NF < s) ? s : $NF
      if (ni == 1) print $1, v; else print $1, $2, v
      if (ni == 2 && NR % n == 0) print ""
    }' "$TMPDIR_GUION/bruto" >"$TMPDIR_GUION/densidad"

  png=$dir/$nombre-densidad.png
  {
    terminal_png
    echo "set output '$png'"
    echo "set title 'Red $nombre: log10 de la densidad ajustada y filas de entrenamiento'"
    echo "set xlabel 'entrada 1'"
    if [ "$ni" -eq 1 ]; then
      echo "set grid"
      echo "set ylabel 'log10 p'"
      echo "set yrange [$suelo:*]"
      echo "plot '$TMPDIR_GUION/densidad' using 1:2 with lines lw 2 title 'log10 p', \\"
      echo "     '$TMPDIR_GUION/puntos' using 1:($suelo) with points pt 9 ps 1.2 title 'entrenamiento'"
    else
      echo "set ylabel 'entrada 2'"
      echo "set cblabel 'log10 p'"
      echo "set contour base"
      echo "set cntrparam levels 8"
      echo "unset surface"
      echo "set table '$TMPDIR_GUION/contornos'"
      echo "splot '$TMPDIR_GUION/densidad' using 1:2:3 with lines"
      echo "unset table"
      echo "unset contour"
      echo "set autoscale fix"
      echo "set palette rgbformulae 33,13,10"
      echo "set key below"
      echo "plot '$TMPDIR_GUION/densidad' using 1:2:3 with image notitle, \\"
      echo "     '$TMPDIR_GUION/contornos' using 1:2 with lines lc rgb 'white' lw 1 notitle, \\"
      echo "     '$TMPDIR_GUION/puntos' using 1:2 with points pt 7 ps 0.7 lc rgb 'black' title 'entrenamiento'"
    fi
  } >"$TMPDIR_GUION/densidad.gp"
  "$GNUPLOT" "$TMPDIR_GUION/densidad.gp" || falla "gnuplot no pudo dibujar $png"
  echo "$png"
  hecho=1
else
  echo "$0: con $ni entradas no se dibuja la densidad (solo con 1 o 2)" >&2
fi

# The level index of the validation rows, against the centile levels it interpolates between.
if [ -f "$dir/$nombre.out" ]; then
  awk 'NF >= 2 { print NR - 1, $2 }' "$dir/$nombre.out" >"$TMPDIR_GUION/vlr"
  [ -s "$TMPDIR_GUION/vlr" ] || falla "$dir/$nombre.out no tiene filas"
  png=$dir/$nombre-vlr.png
  {
    terminal_png
    echo "set output '$png'"
    echo "set title 'Red $nombre: indice de nivel de densidad (vlr) de las filas de validacion'"
    echo "set xlabel 'fila de validacion'"
    echo "set ylabel 'vlr'"
    echo "set yrange [-1.1:1.1]"
    echo "set grid xtics"
    echo "set ytics ('-1 (p_100)' -1, '-0.5 (p100)' -0.5, '0' 0, '0.5 (p99)' 0.5, '0.8 (p95)' 0.8, '1 (p0)' 1)"
    echo "set grid ytics"
    echo "plot '$TMPDIR_GUION/vlr' using 1:2 with impulses lw 1 notitle, '' using 1:2 with points pt 7 title 'vlr'"
  } >"$TMPDIR_GUION/vlr.gp"
  "$GNUPLOT" "$TMPDIR_GUION/vlr.gp" || falla "gnuplot no pudo dibujar $png"
  echo "$png"
  hecho=1
fi
[ -n "$hecho" ] || falla "nada que dibujar: ni es $ni y no existe $dir/$nombre.out"
exit 0
