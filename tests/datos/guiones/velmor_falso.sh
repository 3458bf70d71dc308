#!/bin/sh
# Stands in for velmor in the sweep tests: reads nh, the first error tap count and nco from <name>.net and
# prints cycle lines whose test error is lowest for nh 4 and nre 1. It refuses to run beside another run
# (a lock file in the directory), which is what the sweep must never allow.
[ $# -eq 1 ] && [ -f "$1.net" ] || { printf '\n\n**** Error ****\n\nUso: VELMORTR nombre\n\n'; exit 2; }
if ! mkdir ocupado 2>/dev/null; then printf '\n\n**** Error ****\n\ndirectorio compartido\n\n'; exit 1; fi
trap 'rmdir ocupado' EXIT
# shellcheck disable=SC2046 # split on purpose into nh, nre and nco
set -- $(sed 's/\*.*//' "$1.net" | tr -s ' \t' '\n\n' | grep -v '^$' | awk '
  NR == 3 { nh = $0 } $0 == "nre" { getline; nre = $0 } $0 == "nco" { getline; nco = $0 } END { print nh, nre, nco }')
sleep 0.3
awk -v nh="$1" -v nre="$2" -v nco="$3" 'BEGIN {
  d = (nh - 4) * (nh - 4) * 0.001 + (nre - 1) * (nre - 1) * 0.002
  for (c = 1; c <= nco; c++) printf "Ciclo de Opt.: %5d   Etr = %10f   Ets = %10f \n", c, 0.02 + 0.1 / c, 0.03 + d + 0.1 / c
  printf "\n\n ets = %f \n\n", 0.03 + d + 0.1 / nco
}'
