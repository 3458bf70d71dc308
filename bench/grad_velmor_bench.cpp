// The recurrent model's hot loops: one error-and-gradient pass over 1000 steps, as the optimiser takes it
// (by each of the two passes, with a crew of the given thread count, as training makes it), and one step with the
// perceptron's derivatives, as that pass takes it. Both report time per step.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "common/ajustes.hpp"
#include "common/random.hpp"
#include "velmor/entrena.hpp"
#include "velmor/modelo.hpp"

namespace {

constexpr std::size_t kPasos = 1000;

// Sizes from the benchmark's arguments: input series, taps per input, error taps per output, hidden units,
// outputs. Non-identity bank scales, so the recurrence does all its multiplications.
std::unique_ptr<VELMOR> modelo(const benchmark::State& estado) {
  const int ni = static_cast<int>(estado.range(0)), taps = static_cast<int>(estado.range(1));
  const int nre = static_cast<int>(estado.range(2)), nh = static_cast<int>(estado.range(3));
  const int no = static_cast<int>(estado.range(4));
  const std::vector<int> nri(static_cast<std::size_t>(ni), taps), nres(static_cast<std::size_t>(no), nre);
  auto m = build_velmor("bench", ni, nh, no, nri, nres, 0);
  for (auto& b : m->bancox) b->ibuf.a = 0.5;
  for (auto& b : m->bancoe) b->ibuf.a = 0.5;
  std::srand(1);
  aleatorio_pesos(*m->mp);
  return m;
}

double cpu_proceso() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void por_paso(benchmark::State& estado, double pasos) {
  estado.counters["ns_step"] =
      benchmark::Counter(pasos, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void grad(benchmark::State& estado, PaseGradiente pase) {
  const auto m = modelo(estado);
  m->lp = std::make_unique<VELMOR_LP>();
  m->lp->pase = pase;
  Columnas& datos = m->lp->trn.d;
  datos.ndat = kPasos;
  datos.d.assign(static_cast<std::size_t>(m->ni + m->no), std::vector<double>(kPasos));
  for (auto& serie : datos.d)
    for (double& x : serie) x = aleatorio<AjustesVelmor>(1.0);
  std::vector<double> w(m->mp->nw), g(m->mp->nw);
  empaqueta_pesos(*m->mp, w);
  reparte_hilos(*m, static_cast<unsigned>(estado.range(5)));
  grad_velmor(w, g, *m);  // sizes the buffers outside the timing
  const double cpu0 = cpu_proceso();
  for (auto _ : estado) {
    double e = grad_velmor(w, g, *m);
    benchmark::DoNotOptimize(e);
    benchmark::DoNotOptimize(g.data());
  }
  por_paso(estado, static_cast<double>(kPasos));
  // CPU of every thread: on a loaded machine it still shows what the hand-overs and the idle waits cost.
  estado.counters["cpu_ns_step"] =
      (cpu_proceso() - cpu0) * 1e9 / (static_cast<double>(estado.iterations()) * static_cast<double>(kPasos));
}

void paso(benchmark::State& estado) {
  const auto m = modelo(estado);
  const auto no = static_cast<std::size_t>(m->no);
  std::vector<double> dydw(m->mp->nw * no), dydx(static_cast<std::size_t>(m->mp->ni) * no);
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
  por_paso(estado, 1);
}

// Sizes A, B and C; the pass takes a sixth argument, its thread count, so that each size reads its gain as a
// ratio within one run. Wall time, since the workers' time is not the calling thread's.
const std::vector<std::vector<std::int64_t>> kTamanos{{2, 6, 2, 8, 1}, {2, 12, 4, 16, 2}, {4, 16, 8, 32, 4}};

void con_hilos(benchmark::internal::Benchmark* b) {
  for (auto args : kTamanos)
    for (const std::int64_t hilos : {1, 2}) {
      args.push_back(hilos);
      b->Args(args);
      args.pop_back();
    }
}

BENCHMARK_CAPTURE(grad, adjunto, PaseGradiente::adjunto)->Apply(con_hilos)->UseRealTime();
// The recursion runs on one thread.
void un_hilo(benchmark::internal::Benchmark* b) {
  for (auto args : kTamanos) {
    args.push_back(1);
    b->Args(args);
  }
}

BENCHMARK_CAPTURE(grad, rtrl, PaseGradiente::rtrl)->Apply(un_hilo)->UseRealTime();
BENCHMARK(paso)->Apply([](benchmark::internal::Benchmark* b) {
  for (const auto& args : kTamanos) b->Args(args);
});

}  // namespace

BENCHMARK_MAIN();
