// Placement of centres among patterns, and per-centre widths, in extended precision. Used to start
// korbent's kernels; every routine that draws random numbers reseeds first, so runs repeat.
//
// Common arguments: `nr` centres r[i], each pointing at `dim` values owned by the caller (read as a
// starting point, overwritten in place); `nv` patterns v[k], of which only the first `dim` values are
// read; `nvr[i]` the number of patterns whose nearest centre is i. The spans must hold at least `nr`
// (centres, counts, widths) and `nv` (patterns) entries. `reparto` splits the passes over the patterns
// among threads without changing any result (by default they run on the caller's thread).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/reparto.hpp"

using Filas = std::vector<std::vector<long double>>;

// Euclidean distance over the first `dim` coordinates.
long double distance(const long double* v, const long double* r, std::uint32_t dim);

// Index of the nearest of the first `nr` centres; ties go to the lowest index.
std::uint32_t centro_mas_cercano(const long double* x, std::span<long double* const> r, std::uint32_t nr,
                                 std::uint32_t dim);

// The given centres count as unset when the signed sum of the coordinate differences of the first two
// is below 1e-6 (so all-zero centres of a fresh network are unset). Then every centre becomes a copy
// of a random row. With no patterns the centres stay as given.
void siembra_si_hace_falta(std::uint32_t nr, std::span<long double* const> r, std::uint32_t nv, const Filas& v,
                           std::uint32_t dim);

// Exactly `nc` passes of assignment and averaging; a centre that wins nothing is reseeded with a random
// row and reports nvr 0. With no patterns nothing moves and every count is 0.
void k_means(std::uint32_t nr, std::span<long double* const> r, std::span<std::uint32_t> nvr, std::uint32_t nv,
             const Filas& v, std::uint32_t dim, std::uint32_t nc, Reparto reparto = {});

// Farthest-point seeding: the first `nr0` centres are given, each further one is the pattern farthest
// from the centres chosen so far. With `nr0` = 0 centre 0 is the pattern nearest the mean.
void leader(std::uint32_t nr, std::uint32_t nr0, std::span<long double* const> r, std::uint32_t nv, const Filas& v,
            std::uint32_t dim, Reparto reparto = {});

// Neural gas: `nc` single-pattern adaptation steps, then nvr from the nearest-centre assignment.
void n_gas(std::uint32_t nr, std::span<long double* const> r, std::span<std::uint32_t> nvr, std::uint32_t nv,
           const Filas& v, std::uint32_t dim, std::uint32_t nc, Reparto reparto = {});

// sig[i][j]: root-mean-square deviation along j of the patterns nearest to centre i; 0.01 for an empty
// cluster and for a dimension without spread.
void estima_sig(std::uint32_t nr, std::span<long double* const> r, std::uint32_t nv, const Filas& v, std::uint32_t dim,
                std::span<long double* const> sig, Reparto reparto = {});

// sig[i][d]: mean |r[i][d] - r[j][d]| over the `p` nearest other centres j. Fatal unless p < nr.
void p_nn_h(std::uint32_t p, std::uint32_t nr, std::span<long double* const> r, std::uint32_t dim,
            std::span<long double* const> sig);
