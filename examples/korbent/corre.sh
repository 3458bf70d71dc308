#!/bin/sh
# Estimates the density of the Old Faithful eruptions (duration, wait) with six kernels placed by leader
# seeding and k-means; the validation set also watches the training. Results: faithful.out and the
# representation files faithful.rep, .sig, .nvr, .wa, .prc.
set -e
"$BIN/korbent" faithful 2 6 0 50 2 faithful-train.dat faithful-valid.dat faithful-valid.dat </dev/null
echo
