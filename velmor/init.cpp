#include "velmor/init.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "common/asigna.hpp"
#include "common/random.hpp"
#include "mp/mp_entrena.hpp"
#include "velmor/mensajes.hpp"

namespace {

constexpr unsigned kCiclosAuxiliar = 25;  // whatever the configuration asks of the model

std::size_t tam(int n) { return static_cast<std::size_t>(n); }

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

// Pattern p pairs the inputs of row p + maxret - 1, with their lags in the model's input order, with the
// outputs of the same row.
template <class Registro>
std::shared_ptr<Registro> patrones(const VELMOR& m, const DATASET& ds, const Retardos& r) {
  std::shared_ptr<Registro> reg = crea<Registro>(msg::sin_memoria_lp_init);
  reg->ts = asigna<const double*>(r.sum + tam(m.no), msg::sin_memoria_ts_init);
  reg->npat = filas(m, ds) - r.maxret + 1;
  std::size_t e = 0;
  for (std::size_t k = 0; k < tam(m.ni); ++k)
    for (std::size_t l = 0; l < tam(m.bancox[k]->n); ++l) reg->ts[e++] = ds.d.d[k].data() + (r.maxret - 1 - l);
  for (std::size_t j = 0; j < tam(m.no); ++j) reg->ts[e++] = ds.d.d[tam(m.ni) + j].data() + (r.maxret - 1);
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
  if (filas(m, m.lp->trn) < r.maxret) error_datos_cortos(m.lp->trn.fname);
  if (m.tp && filas(m, *m.tp) < r.maxret) error_datos_cortos(m.tp->fname);

  anuncia_semilla_velmor();  // the random start is drawn here: the seed that repeats it
  MP& red = *m.mp;
  std::unique_ptr<MP> aux = build_mp("mpaux", static_cast<int>(r.sum), red.nh, m.no, red.fsal);
  aux->lp = patrones<LP_MP>(m, m.lp->trn, r);
  if (m.tp) aux->tp = patrones<TP_MP>(m, *m.tp, r);
  aux->lp->nco = kCiclosAuxiliar;

  anuncia(msg::inicializando_aux);
  aleatorio_pesos(*aux);
  anuncia(msg::inicializacion_aux_fin);
  anuncia(msg::entrenamiento_aux);
  train_rbwbr(*aux);
  anuncia(msg::entrenamiento_aux_fin);

  for (const auto& b : m.bancox) {
    b->ibuf.a = aux->ibuf[tam(b->pos)].a;
    b->ibuf.b = aux->ibuf[tam(b->pos)].b;
  }
  for (std::size_t j = 0; j < tam(m.no); ++j) {
    m.obuf[j].a = aux->obuf[j].a;
    m.obuf[j].b = aux->obuf[j].b;
  }
  // The error taps come after the input taps, so they keep the 0 they were built with.
  for (std::size_t h = 0; h < red.hl.size(); ++h) std::copy_n(aux->hl[h].w.begin(), r.sum + 1, red.hl[h].w.begin());
  for (std::size_t o = 0; o < red.ol.size(); ++o) red.ol[o].w = aux->ol[o].w;
  for (const auto& b : m.bancoe)
    if (b) {
      b->ibuf.a = 1.0;
      b->ibuf.b = 0.0;
    }
  return aux;
}
