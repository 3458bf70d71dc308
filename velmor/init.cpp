#include "velmor/init.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "common/asigna.hpp"
#include "common/random.hpp"
#include "mp/mp_entrena.hpp"
#include "velmor/mensajes.hpp"

namespace {

constexpr unsigned kCiclosAuxiliar = 25;  // whatever the configuration asks of the model

struct Retardos {
  std::size_t maxret = 1;  // longest input bank, at least 1
  std::size_t sum = 0;     // taps of all input banks
};

Retardos retardos(const VELMOR& m) {
  Retardos r;
  for (const auto& b : m.bancox) {
    r.maxret = std::max(r.maxret, tam(b->n));
    r.sum += tam(b->n);
  }
  return r;
}

// Rows every series of the model can give: a column shorter than the count (or missing) limits it.
std::size_t filas(const VELMOR& m, const DATASET& ds) {
  const std::size_t columnas = tam(m.ni) + tam(m.no);
  if (ds.d.d.size() < columnas) return 0;
  std::size_t n = ds.d.ndat;
  for (std::size_t c = 0; c < columnas; ++c) n = std::min(n, ds.d.d[c].size());
  return n;
}

// The map x -> a x + b of one series into the network.
struct Escala {
  double a = 1.0, b = 0.0;
};

// Whether VELMOR_ESCALA asks for scalings taken from the training set; unset, empty or 0 keeps the identity.
bool escala_pedida() {
  const char* v = std::getenv("VELMOR_ESCALA");
  if (v == nullptr || *v == '\0' || std::strcmp(v, "0") == 0) return false;
  if (std::strcmp(v, "1") != 0) msg_velmor::escala_no_valida(v);
  return true;
}

// Mean 0 and standard deviation 1 over the training rows of every series the model reads, inputs first. A
// constant series is only centred: there is no spread to divide by.
std::vector<Escala> escalas(const VELMOR& m, const DATASET& ds) {
  const std::size_t n = filas(m, ds), columnas = tam(m.ni) + tam(m.no);
  std::vector<Escala> e(columnas);
  if (n == 0) return e;
  for (std::size_t c = 0; c < columnas; ++c) {
    const std::vector<double>& x = ds.d.d[c];
    double suma = 0;
    for (std::size_t t = 0; t < n; ++t) suma += x[t];
    const double media = suma / static_cast<double>(n);
    double cuadrados = 0;
    for (std::size_t t = 0; t < n; ++t) cuadrados += (x[t] - media) * (x[t] - media);
    const double sd = std::sqrt(cuadrados / static_cast<double>(n));
    if (!std::isfinite(media) || !std::isfinite(sd)) continue;  // sums past the range of double: left as is
    e[c].a = sd > 0 && std::isfinite(1.0 / sd) ? 1.0 / sd : 1.0;
    e[c].b = -e[c].a * media;
  }
  return e;
}

// The largest magnitude among the training values the model reads.
double mayor_magnitud(const VELMOR& m, const DATASET& ds) {
  const std::size_t n = filas(m, ds);
  double mayor = 0;
  for (std::size_t c = 0; c < tam(m.ni) + tam(m.no); ++c)
    for (std::size_t t = 0; t < n; ++t) mayor = std::max(mayor, std::abs(ds.d.d[c][t]));
  return mayor;
}

// A pattern record that may own the scaled copies of the series its pointers read.
template <class Registro>
struct ConSeries : Registro {
  std::vector<std::vector<double>> series;
};

// Pattern p pairs the inputs of row p + maxret - 1, with their lags in the model's input order, with the
// outputs of the same row. With scalings, the patterns read scaled copies of the series, so mpaux learns
// in the units the model's perceptron will see.
template <class Registro>
std::shared_ptr<Registro> patrones(const VELMOR& m, const DATASET& ds, const Retardos& r,
                                   std::span<const Escala> escala) {
  std::shared_ptr<ConSeries<Registro>> reg = crea<ConSeries<Registro>>(msg_velmor::sin_memoria_lp_init);
  reg->ts = asigna<const double*>(r.sum + tam(m.no), msg_velmor::sin_memoria_ts_init);
  const std::size_t n = filas(m, ds);
  reg->npat = n - r.maxret + 1;
  std::vector<const double*> serie(tam(m.ni) + tam(m.no));
  if (escala.empty()) {
    for (std::size_t c = 0; c < serie.size(); ++c) serie[c] = ds.d.d[c].data();
  } else {
    reg->series = asigna<std::vector<double>>(serie.size(), msg_velmor::sin_memoria_ts_init);
    for (std::size_t c = 0; c < serie.size(); ++c) {
      redimensiona(reg->series[c], n, msg_velmor::sin_memoria_ts_init);
      for (std::size_t t = 0; t < n; ++t) reg->series[c][t] = escala[c].a * ds.d.d[c][t] + escala[c].b;
      serie[c] = reg->series[c].data();
    }
  }
  std::size_t e = 0;
  for (std::size_t k = 0; k < tam(m.ni); ++k)
    for (std::size_t l = 0; l < tam(m.bancox[k]->n); ++l) reg->ts[e++] = serie[k] + (r.maxret - 1 - l);
  for (std::size_t j = 0; j < tam(m.no); ++j) reg->ts[e++] = serie[tam(m.ni) + j] + (r.maxret - 1);
  return reg;
}

void anuncia(const char* texto) {
  std::fputs(texto, stdout);
  std::fflush(stdout);
}

}  // namespace

std::unique_ptr<MP> init_velmor(VELMOR& m) {
  const Retardos r = retardos(m);
  // Fewer rows than the longest bank would leave mpaux no pattern at all to learn or be tested on.
  if (filas(m, m.lp->trn) < r.maxret) msg_velmor::error_datos_cortos(m.lp->trn.fname);
  if (m.tp && filas(m, *m.tp) < r.maxret) msg_velmor::error_datos_cortos(m.tp->fname);

  // Series far from unit size saturate the hidden units of a model that reads them unscaled.
  const bool escala = escala_pedida();
  const std::vector<Escala> e = escala ? escalas(m, m.lp->trn) : std::vector<Escala>{};
  if (!escala) {
    constexpr double kLimiteSinEscala = 5.0;
    const double mayor = mayor_magnitud(m, m.lp->trn);
    if (mayor > kLimiteSinEscala) msg_velmor::aviso_datos_sin_escala(m.lp->trn.fname, mayor);
  }

  anuncia_semilla_velmor();  // the random start is drawn here: the seed that repeats it
  MP& red = *m.mp;
  std::unique_ptr<MP> aux = build_mp("mpaux", static_cast<int>(r.sum), red.nh, m.no, red.fsal);
  aux->lp = patrones<LP_MP>(m, m.lp->trn, r, e);
  if (m.tp) aux->tp = patrones<TP_MP>(m, *m.tp, r, e);
  aux->lp->nco = kCiclosAuxiliar;

  anuncia(msg_velmor::inicializando_aux);
  aleatorio_pesos(*aux);
  anuncia(msg_velmor::inicializacion_aux_fin);
  anuncia(msg_velmor::entrenamiento_aux);
  Marcador<double> marcador;  // mpaux is trained once in a process: its best test error is the process's
  train_rbwbr(*aux, marcador);
  anuncia(msg_velmor::entrenamiento_aux_fin);

  for (std::size_t k = 0; k < tam(m.ni); ++k) {
    BANCO& b = *m.bancox[k];
    b.ibuf.a = escala ? e[k].a : aux->ibuf[tam(b.pos)].a;
    b.ibuf.b = escala ? e[k].b : aux->ibuf[tam(b.pos)].b;
  }
  // The outputs go back to data units through the inverse of their scaling.
  for (std::size_t j = 0; j < tam(m.no); ++j) {
    const Escala s = escala ? e[tam(m.ni) + j] : Escala{};
    m.obuf[j].a = escala ? 1.0 / s.a : aux->obuf[j].a;
    m.obuf[j].b = escala ? -s.b / s.a : aux->obuf[j].b;
  }
  // The error taps come after the input taps, so they keep the 0 they were built with.
  for (std::size_t h = 0; h < red.hl.size(); ++h) std::copy_n(aux->hl[h].w.begin(), r.sum + 1, red.hl[h].w.begin());
  for (std::size_t o = 0; o < red.ol.size(); ++o) red.ol[o].w = aux->ol[o].w;
  // A past error is fed in its output's scale, so that it is as large as the perceptron's outputs.
  for (std::size_t j = 0; j < tam(m.no); ++j)
    if (BANCO* b = m.bancoe[j].get()) {
      b->ibuf.a = escala ? e[tam(m.ni) + j].a : 1.0;
      b->ibuf.b = 0.0;
    }
  return aux;
}
