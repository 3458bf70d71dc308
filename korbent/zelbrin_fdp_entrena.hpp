// Training of the density network: maximum likelihood with a small penalty on narrow kernels. What follows
// it (the kernels' order, the centiles, the output values) is in zelbrin_fdp_centil.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/datos.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

// The lowest test value seen by any training of this process, and the reports of the current one.
extern long double vmin;
extern std::uint32_t iternum;

// The network's `entrena` operation: mtr holds ni + no values a row, mts is the test set (0 rows: none).
// On return the network holds the kept parameters, its kernels ordered, centiles, win counts, outputs.
void entrena_zelbrin_fdp(ZELBRIN_FDP& net, unsigned nco, const MATRIZ& mtr, const MATRIZ& mts, Seguimiento s);

// Trained parameters: every centre row, then every inverse-width row, then wa.
std::size_t tam_parametros_zelbrin_fdp(const ZELBRIN_FDP& net);
void empaqueta_zelbrin_fdp(const ZELBRIN_FDP& net, std::span<long double> w);
void desempaqueta_zelbrin_fdp(ZELBRIN_FDP& net, std::span<const long double> w);

// The objective at w over net.lp's rows, into e, and its gradient, into dw. Leaves w unpacked in net.
void evalua_grad_zelbrin_fdp(std::span<const long double> w, std::span<long double> dw, long double& e,
                             ZELBRIN_FDP& net);
// Once per optimisation cycle: Etr, Ets, the kept parameters, then the report. True asks to stop.
bool actualiza_zelbrin_fdp(std::span<const long double> w, ZELBRIN_FDP& net);
