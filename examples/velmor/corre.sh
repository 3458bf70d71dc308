#!/bin/sh
# Trains the sunspot model from a random start, keeping the weights with the lowest test error.
set -e
"$BIN/velmor" sunspots
