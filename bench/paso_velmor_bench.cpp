// One step of the recurrent model with the perceptron's derivatives, as training takes it: time per step.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "common/ajustes.hpp"
#include "common/random.hpp"
#include "velmor/modelo.hpp"

namespace {

// Sizes: input series, taps per input, error taps per output, hidden units, outputs.
void paso(benchmark::State& estado) {
  const int ni = static_cast<int>(estado.range(0)), taps = static_cast<int>(estado.range(1));
  const int nre = static_cast<int>(estado.range(2)), nh = static_cast<int>(estado.range(3));
  const int no = static_cast<int>(estado.range(4));
  const std::vector<int> nri(static_cast<std::size_t>(ni), taps), nres(static_cast<std::size_t>(no), nre);
  const auto m = build_velmor("bench", ni, nh, no, nri, nres, 0);
  for (auto& b : m->bancox) b->ibuf.a = 0.5;
  for (auto& b : m->bancoe) b->ibuf.a = 0.5;
  std::srand(1);
  aleatorio_pesos(*m->mp);
  std::vector<double> dydw(m->mp->nw * static_cast<std::size_t>(no));
  std::vector<double> dydx(static_cast<std::size_t>(m->mp->ni) * static_cast<std::size_t>(no));
  std::vector<double> serie(1024);
  for (double& x : serie) x = aleatorio<AjustesVelmor>(1.0);
  reset_velmor(*m);
  std::size_t t = 0;
  for (auto _ : estado) {
    for (double& x : m->i) x = serie[t % serie.size()];
    for (double& d : m->d) d = serie[(t + 7) % serie.size()];
    eval_velmor(*m);
    dydw_mp(*m->mp, dydw);
    dydx_mp(*m->mp, dydx);
    benchmark::DoNotOptimize(dydw.data());
    benchmark::DoNotOptimize(dydx.data());
    ++t;
  }
}

BENCHMARK(paso)->Args({2, 6, 2, 8, 1})->Args({2, 12, 4, 16, 2})->Args({4, 16, 8, 32, 4});

}  // namespace

BENCHMARK_MAIN();
