// Training of the density network: maximum likelihood with a small penalty on narrow kernels. What follows
// it (the kernels' order, the centiles, the output values) is in zelbrin_fdp_centil.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/datos.hpp"
#include "common/marcador.hpp"
#include "korbent/zelbrin_fdp_lib.hpp"

// The setting that ends a training after that many reports without a new lowest test value.
inline constexpr char kPacienciaKorbent[] = "KORBENT_PACIENCIA";

// The network's `entrena` operation: mtr holds ni + no values a row, mts is the test set (0 rows: none).
// On return the network holds the kept parameters, its kernels ordered, centiles, win counts, outputs.
// Its reports count from 0 and keep the lowest test value of this training (a process trains once, so it is
// also the lowest of the process).
void entrena_zelbrin_fdp(ZELBRIN_FDP& net, unsigned nco, const MATRIZ& mtr, const MATRIZ& mts, Seguimiento s);

// Trained parameters: every centre row, then every inverse-width row, then wa.
std::size_t tam_parametros_zelbrin_fdp(const ZELBRIN_FDP& net);
void empaqueta_zelbrin_fdp(const ZELBRIN_FDP& net, std::span<long double> w);
void desempaqueta_zelbrin_fdp(ZELBRIN_FDP& net, std::span<const long double> w);

// Returns the objective at w over net.lp's rows and writes its gradient into dw. Leaves w unpacked in net.
long double evalua_grad_zelbrin_fdp(std::span<const long double> w, std::span<long double> dw, ZELBRIN_FDP& net);
// Once per optimisation cycle: Etr, Ets, the kept parameters (those of a new minimum of the record's test
// value, or every point without a test set), then the report numbered by the record's count. True asks to stop.
// An optimiser that has just been over the training rows at w passes their Etr, which spares a pass.
bool actualiza_zelbrin_fdp(std::span<const long double> w, ZELBRIN_FDP& net, Marcador<long double>& marcador,
                           const long double* etr_hallado = nullptr);
