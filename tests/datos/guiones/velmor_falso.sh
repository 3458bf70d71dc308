#!/bin/sh
# Stands in for velmor in the sweep tests: reads nh, the first error tap count and nco from <name>.net and
# prints cycle lines whose test error is lowest for nh 4 and nre 1, raised by VELMOR_SEMILLA mod 3
# thousandths (without it, a clock seed of 777 is announced), and stopped after VELMOR_PACIENCIA cycles;
# it writes the model's weight files. An ftest job
# tests those weight files: its error falls with nh. It refuses to run beside another run (a lock file in the
# directory), which is what the sweep must never allow.
[ $# -eq 1 ] && [ -f "$1.net" ] || { printf '\n\n**** Error ****\n\nUso: VELMORTR nombre\n\n'; exit 2; }
if ! mkdir ocupado 2>/dev/null; then printf '\n\n**** Error ****\n\ndirectorio compartido\n\n'; exit 1; fi
trap 'rmdir ocupado' EXIT
modelo=$(printf '%.7s' "$1")
# shellcheck disable=SC2046 # split on purpose into nh, nre and nco
set -- $(sed 's/\*.*//' "$1.net" | tr -s ' \t' '\n\n' | grep -v '^$' | awk '
  NR == 3 { nh = $0 } $0 == "nre" { getline; nre = $0 } $0 == "nco" { getline; nco = $0 } END { print nh, nre, nco }')
if [ -z "$3" ]; then
  [ -f "$modelo.wgt" ] && [ -f "$modelo#.wgt" ] || { printf '\n\n**** Error ****\n\nsin pesos\n\n'; exit 1; }
  awk -v nh="$1" 'BEGIN { printf "\n\n ets = %f \n\n", 0.2 - nh / 100 }'
  exit 0
fi
sleep 0.3
[ -n "${VELMOR_SEMILLA:-}" ] || echo "Semilla: 777 (VELMOR_SEMILLA=777 repite esta ejecucion)" >&2
awk -v nh="$1" -v nre="$2" -v nco="$3" -v s="${VELMOR_SEMILLA:-0}" -v p="${VELMOR_PACIENCIA:-0}" 'BEGIN {
  d = (nh - 4) * (nh - 4) * 0.001 + (nre - 1) * (nre - 1) * 0.002 + (s % 3) * 0.001
  if (p > 0 && p < nco) nco = p
  for (c = 1; c <= nco; c++) printf "Ciclo de Opt.: %5d   Etr = %10f   Ets = %10f \n", c, 0.02 + 0.1 / c, 0.03 + d + 0.1 / c
  printf "\n\n ets = %f \n\n", 0.03 + d + 0.1 / nco
}'
touch "$modelo.wgt" "$modelo#.wgt"
