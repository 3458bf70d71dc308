// One error-and-gradient pass of the recurrent model over 1000 steps, as the optimiser takes it: time per step.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "common/ajustes.hpp"
#include "common/random.hpp"
#include "velmor/entrena.hpp"

namespace {

constexpr std::size_t kPasos = 1000;

// Sizes: input series, taps per input, error taps per output, hidden units, outputs.
void grad(benchmark::State& estado) {
  const int ni = static_cast<int>(estado.range(0)), taps = static_cast<int>(estado.range(1));
  const int nre = static_cast<int>(estado.range(2)), nh = static_cast<int>(estado.range(3));
  const int no = static_cast<int>(estado.range(4));
  const std::vector<int> nri(static_cast<std::size_t>(ni), taps), nres(static_cast<std::size_t>(no), nre);
  const auto m = build_velmor("bench", ni, nh, no, nri, nres, 0);
  for (auto& b : m->bancox) b->ibuf.a = 0.5;
  for (auto& b : m->bancoe) b->ibuf.a = 0.5;
  std::srand(1);
  aleatorio_pesos(*m->mp);
  m->lp = std::make_unique<VELMOR_LP>();
  Columnas& datos = m->lp->trn.d;
  datos.ndat = kPasos;
  datos.d.assign(static_cast<std::size_t>(ni + no), std::vector<double>(kPasos));
  for (auto& serie : datos.d)
    for (double& x : serie) x = aleatorio<AjustesVelmor>(1.0);
  std::vector<double> w(m->mp->nw), g(m->mp->nw);
  empaqueta_pesos(*m->mp, w);
  double e = 0;
  grad_velmor(w, g, e, *m);  // sizes the buffers outside the timing
  for (auto _ : estado) {
    grad_velmor(w, g, e, *m);
    benchmark::DoNotOptimize(e);
    benchmark::DoNotOptimize(g.data());
  }
  // Time per time step (printed with its unit, e.g. 433ns).
  estado.counters["ns_step"] = benchmark::Counter(
      static_cast<double>(kPasos), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(grad)->Args({2, 6, 2, 8, 1})->Args({2, 12, 4, 16, 2})->Args({4, 16, 8, 32, 4});

}  // namespace

BENCHMARK_MAIN();
