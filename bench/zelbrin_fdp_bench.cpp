// korbent's training: one objective-and-gradient pass over 20000 rows, per row and kernel, beside EM's
// expectation step, and a whole training on 100000 rows. The last argument is the number of threads: compare
// the lines of one run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "korbent/zelbrin_fdp.hpp"
#include "korbent/zelbrin_fdp_em.hpp"
#include "korbent/zelbrin_fdp_entrena.hpp"

namespace {

constexpr std::uint32_t kFilas = 20000;

MATRIZ filas_al_azar(std::uint32_t n, std::uint32_t ni, std::mt19937& g) {
  std::uniform_real_distribution<double> dentro(-1, 1);
  MATRIZ m;
  m.dim = ni;
  m.ndat = n;
  m.d.assign(n, std::vector<long double>(ni));
  for (auto& fila : m.d)
    for (long double& x : fila) x = 2 * dentro(g);
  return m;
}

std::unique_ptr<ZELBRIN_FDP> red(std::uint32_t ni, std::uint32_t nh, std::int64_t hilos) {
  auto net = construye_zelbrin_fdp("marca", VECTOR{{ni * 1.0L, nh * 1.0L, 0}, 3});
  net->hilos = static_cast<unsigned>(hilos);
  return net;
}

// A network with scaled inputs, kFilas rows and a point of its parameters, as a pass takes them.
struct Pasada {
  std::unique_ptr<ZELBRIN_FDP> net;
  MATRIZ m;
  std::vector<long double> w;

  explicit Pasada(const benchmark::State& state) {
    const auto ni = static_cast<std::uint32_t>(state.range(0));
    const auto nh = static_cast<std::uint32_t>(state.range(1));
    net = red(ni, nh, state.range(2));
    std::mt19937 g(7);
    std::uniform_real_distribution<double> dentro(-1, 1), ancho(0.5, 1.5);
    for (BUF_UNIT& u : net->ibuf) {
      u.a = 0.5;
      u.b = 0.1;
    }
    m = filas_al_azar(kFilas, ni, g);
    w.resize(2 * ni * nh + nh);
    for (std::size_t k = 0; k < ni * nh; ++k) w[k] = dentro(g);
    for (std::size_t k = ni * nh; k < w.size(); ++k) w[k] = ancho(g);
    net->lp = std::make_unique<ZELBRIN_FDP_LP>();
    net->lp->ts = m.d;
    net->lp->tsize = kFilas;
  }
};

// Wall time per row and kernel (printed with its unit, e.g. 126ns).
void por_fila_y_nucleo(benchmark::State& state) {
  state.counters["ns_rk"] =
      benchmark::Counter(static_cast<double>(kFilas) * static_cast<double>(state.range(1)),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void PasoGradiente(benchmark::State& state) {
  Pasada p(state);
  std::vector<long double> dw(p.w.size());
  for (auto _ : state) {
    long double e = evalua_grad_zelbrin_fdp(p.w, dw, *p.net);
    benchmark::DoNotOptimize(e);
    benchmark::DoNotOptimize(dw.data());
  }
  por_fila_y_nucleo(state);
}

// The expectation step of KORBENT_OPTIMIZADOR=em, its one pass a cycle.
void PasoEm(benchmark::State& state) {
  Pasada p(state);
  IteracionEm em(*p.net);
  for (auto _ : state) {
    long double e = em.esperanza(p.w);
    benchmark::DoNotOptimize(e);
  }
  por_fila_y_nucleo(state);
}

// As the program trains: leader seeding and k-means, 10 optimisation cycles, the kernels' order and the
// centiles. 100000 rows of 4 inputs, 8 kernels.
void Entrenamiento(benchmark::State& state) {
  std::mt19937 g(11);
  const MATRIZ m = filas_al_azar(100000, 4, g);
  for (auto _ : state) {
    auto net = red(4, 8, state.range(0));
    net->inicializa_pesos(*net, m, 2);
    net->entrena(*net, 10, m, MATRIZ{}, nullptr);
    benchmark::DoNotOptimize(net->p0);
  }
}

}  // namespace

BENCHMARK(PasoGradiente)
    ->ArgNames({"ni", "nh", "hilos"})
    ->ArgsProduct({{4}, {8}, {1, 2}})
    ->Args({2, 8, 1})
    ->Args({4, 32, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PasoEm)
    ->ArgNames({"ni", "nh", "hilos"})
    ->ArgsProduct({{4}, {8}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Entrenamiento)
    ->ArgName("hilos")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
