#!/bin/sh
# Stands in for korbent in the script tests. With "-" as training file it scores the validation file with
# the Gaussian mixture of <name>.rep/.sig/.wa and writes <name>.out in korbent's layout (log10 p, vlr,
# winner, shares, then y and emax per output as 0). With a training file it prints nco + 1 cycle lines whose
# test value falls with nh and rises by a hundredth for an odd KORBENT_SEMILLA, stopping after
# KORBENT_PACIENCIA cycles, with a training value 2.5 - nh/20; a validation file gets a <name>.out whose
# log10 densities are -1 - |nh - 3|/10.
if [ $# -ge 8 ] && [ "$7" != - ]; then
  [ -f "$7" ] && [ -f "$8" ] || exit 1
  awk -v nh="$3" -v nco="$5" -v s="${KORBENT_SEMILLA:-1}" -v p="${KORBENT_PACIENCIA:-0}" 'BEGIN {
    if (p > 0 && p < nco) nco = p
    for (c = 0; c <= nco; c++) printf "\n \t Ciclo: %u \t Etr=%f \t Ets=%f", c, 2.5 - nh / 20, 3 - nh / 10 - c / 100 + (s % 2) / 100
  }'
  [ -z "$9" ] || awk -v nh="$3" '!/^\*/ && NF { print -1 - (nh > 3 ? nh - 3 : 3 - nh) / 10 "\t0.5\t0" }' "$9" >"$1.out"
  exit 0
fi
[ $# -eq 9 ] && [ "$7" = - ] || { echo "korbent_falso: uso nombre ni nh no nco modo - - fv" >&2; exit 1; }
n=$1 ni=$2 nh=$3 no=$4 fv=$9
for s in rep sig wa prc; do [ -f "$n.$s" ] || { printf '\n\n**** Error ****\n\nError de apertura del fichero %s\n\n' "$n.$s"; exit 1; }; done
awk -v ni="$ni" -v nh="$nh" -v no="$no" -v rep="$n.rep" -v sig="$n.sig" -v wa="$n.wa" '
  BEGIN {
    for (h = 1; h <= nh; h++) {
      getline l < rep; split(l, c); for (i = 1; i <= ni; i++) C[h, i] = c[i]
      getline l < sig; split(l, c); for (i = 1; i <= ni; i++) S[h, i] = c[i]
      getline l < wa; W[h] = l + 0
    }
  }
  /^\*/ { next }
  { for (k = 1; k <= NF; k++) v[++m] = $k }
  END {
    for (r = 0; r + ni + no <= m; r += ni + no) {
      p = 0
      for (h = 1; h <= nh; h++) {
        a[h] = W[h]
        for (i = 1; i <= ni; i++) { z = (v[r + i] - C[h, i]) / S[h, i]; a[h] *= exp(-z * z / 2) / (2.5066283 * S[h, i]) }
        p += a[h]
      }
      lp = (p > 0) ? log(p) / log(10) : -4916.473389
      printf "%f\t%f\t0\t", lp, (lp + 3) / (1 + (lp + 3 < 0 ? -(lp + 3) : lp + 3))
      for (h = 1; h <= nh; h++) printf "%f\t", (p > 0 ? a[h] / p : 0)
      for (k = 0; k < no; k++) printf "0.000000\t0.000000\t"
      print ""
    }
  }' "$fv" >"$n.out"
