// The network's persistent form: six text files named after it, in the units of the data files. Centres
// and widths carry the input normalisation inside them, so a network read back has identity buffers.
#pragma once

#include "korbent/zelbrin_fdp_lib.hpp"

// <name>.rep, .sig, .nvr, .wa, .prc and, with outputs, .yme. The files replace the old ones as one set,
// once all are completely written, so an interrupted run leaves the earlier representation intact.
void escribe_rep_sig_fdp(const ZELBRIN_FDP& net);
// Before any of those files is read or written: completes a replacement that a kill cut short, and
// removes the temporaries earlier runs left.
void recupera_rep_sig_fdp(const ZELBRIN_FDP& net);

// Reads them into a network built with the same ni, nh, no. A file with another number of rows than
// kernels (or a .prc with fewer than 11 values) ends the process with status 1.
void carga_rep_sig_zelbrin_fdp(ZELBRIN_FDP& net);
