#include "mp/mp.hpp"

#include <algorithm>
#include <cmath>

#include "common/ajustes.hpp"
#include "common/asigna.hpp"
#include "common/random.hpp"
#include "mp/mensajes.hpp"

double tanh_recortada(double s) {
  if (s > 100) return 1;
  if (s < -100) return -1;
  return std::tanh(s);
}

double dtanh_recortada(double s) {
  if (std::abs(s) > 100) return 1e-8;
  const double t = std::tanh(s);
  return 1 - t * t;
}

double identidad(double s) { return s; }
double derivada_identidad(double) { return 1; }

namespace {

// A unit reading the bias constant and then every output of `entradas`, with all its weights at 0.
template <class Unidades>
void conecta(MP_UNIT& u, const double& uno, const Unidades& entradas, const char* sin_i, const char* sin_w) {
  u.i = asigna<const double*>(entradas.size() + 1, sin_i);
  u.w = asigna<double>(entradas.size() + 1, sin_w);
  u.i[0] = &uno;
  for (std::size_t k = 0; k < entradas.size(); ++k) u.i[k + 1] = &entradas[k].o;
}

}  // namespace

std::unique_ptr<MP> build_mp(std::string_view name, int ni, int nh, int no, int fsal) {
  init_aleatorio<AjustesVelmor>();
  std::unique_ptr<MP> net = crea<MP>(msg_mp::sin_memoria_mp);
  net->name = name.substr(0, kMaxNombreMp);
  net->fsal = fsal;
  if (ni < 1) msg_mp::error_entradas_nulas(net->name.c_str());
  if (nh < 1) msg_mp::error_ocultas_nulas(net->name.c_str());
  if (no < 1) msg_mp::error_salidas_nulas(net->name.c_str());
  net->ni = ni;
  net->nh = nh;
  net->no = no;
  create_ibuf(*net);
  create_hl(*net);
  create_ol(*net);
  create_obuf(*net);
  net->nw = (tam(ni) + 1) * tam(nh) + (tam(nh) + 1) * tam(no);
  return net;
}

void create_ibuf(MP& net) { net.ibuf = asigna<MP_BUF>(tam(net.ni), msg_mp::sin_memoria_ibuf); }

void create_hl(MP& net) {
  net.hl = asigna<MP_UNIT>(tam(net.nh), msg_mp::sin_memoria_hl);
  for (MP_UNIT& u : net.hl) {
    conecta(u, net.uno, net.ibuf, msg_mp::sin_memoria_hl_i, msg_mp::sin_memoria_hl_w);
    u.f = tanh_recortada;
    u.df = dtanh_recortada;
  }
}

void create_ol(MP& net) {
  net.ol = asigna<MP_UNIT>(tam(net.no), msg_mp::sin_memoria_ol);
  for (MP_UNIT& u : net.ol) {
    conecta(u, net.uno, net.hl, msg_mp::sin_memoria_ol_i, msg_mp::sin_memoria_ol_w);
    u.f = net.fsal == 0 ? identidad : tanh_recortada;
    u.df = net.fsal == 0 ? derivada_identidad : dtanh_recortada;
  }
}

void create_obuf(MP& net) {
  net.obuf = asigna<MP_BUF>(tam(net.no), msg_mp::sin_memoria_obuf);
  for (std::size_t j = 0; j < net.obuf.size(); ++j) net.obuf[j].i = &net.ol[j].o;
}

namespace {

// Units of one layer, B at a time: each unit still sums its own inputs in order, but the B sums are independent
// chains that run side by side instead of one long chain of dependent additions per unit.
template <std::size_t B>
void evalua_lote(MP_UNIT* u) {
  double s[B] = {};
  const std::size_t n = u[0].i.size();
  for (std::size_t k = 0; k < n; ++k)
    for (std::size_t b = 0; b < B; ++b) s[b] = *u[b].i[k] * u[b].w[k] + s[b];
  for (std::size_t b = 0; b < B; ++b) {
    u[b].s = s[b];
    u[b].o = u[b].f(s[b]);
  }
}

// The units of a layer are built with equal input lists; a run of them that is not takes the plain path.
template <std::size_t B>
bool lote_uniforme(const MP_UNIT* u) {
  for (std::size_t b = 1; b < B; ++b)
    if (u[b].i.size() != u[0].i.size() || u[b].w.size() < u[0].i.size()) return false;
  return u[0].w.size() >= u[0].i.size();
}

template <std::size_t B>
std::size_t evalua_lotes(std::vector<MP_UNIT>& capa, std::size_t h) {
  for (; h + B <= capa.size() && lote_uniforme<B>(&capa[h]); h += B) evalua_lote<B>(&capa[h]);
  return h;
}

void evalua_capa(std::vector<MP_UNIT>& capa) {
  std::size_t h = evalua_lotes<8>(capa, 0);
  h = evalua_lotes<4>(capa, h);
  for (; h < capa.size(); ++h) capa[h].evalua();
}

}  // namespace

void eval_mp(MP& net) {
  for (MP_BUF& b : net.ibuf) b.evalua();
  evalua_capa(net.hl);
  // Nothing inside the perceptron reads its output buffers, so they can follow the whole output layer.
  evalua_capa(net.ol);
  for (MP_BUF& b : net.obuf) b.evalua();
}

// Row j is built by adding hidden unit h's contribution to every input at once: each element still sums its
// terms in the order of h, from 0, while the weights are read in memory order.
void dydx_mp(const MP& net, std::span<double> dydx, std::size_t desde) {
  const std::size_t ni = tam(net.ni);
  if (desde >= ni) return;
  const std::size_t n = ni - desde;
  for (std::size_t j = 0; j < net.ol.size(); ++j) {
    const MP_UNIT& o = net.ol[j];
    const std::span<double> fila = dydx.subspan(j * ni + desde, n);
    std::fill(fila.begin(), fila.end(), 0.0);
    for (std::size_t h = 0; h < net.hl.size(); ++h) {
      const MP_UNIT& u = net.hl[h];
      const double c = u.pendiente() * o.w[h + 1];
      const double* wh = u.w.data() + 1 + desde;
      for (std::size_t k = 0; k < n; ++k) fila[k] = c * wh[k] + fila[k];
    }
    const double g = o.pendiente();
    for (double& x : fila) x = g * x;
  }
}

void dydw_mp(const MP& net, std::span<double> dydw) {
  const std::size_t ni = tam(net.ni), nh = tam(net.nh), nw = net.nw;
  const std::size_t base_salidas = (ni + 1) * nh;
  for (std::size_t j = 0; j < net.ol.size(); ++j) {
    const MP_UNIT& o = net.ol[j];
    double* fila = dydw.subspan(j * nw, nw).data();
    const double g = o.pendiente();
    for (std::size_t h = 0; h < nh; ++h) {
      const MP_UNIT& u = net.hl[h];
      const double c = u.pendiente() * g * o.w[h + 1];
      double* d = fila + h * (ni + 1);
      for (std::size_t k = 0; k <= ni; ++k) d[k] = c * *u.i[k];
    }
    // Only the weights of output unit j move output j; the other output units' entries are 0.
    double* ds = fila + base_salidas;
    for (std::size_t q = 0; q < net.ol.size(); ++q, ds += nh + 1) {
      if (q == j) {
        for (std::size_t h = 0; h <= nh; ++h) ds[h] = g * *o.i[h];
      } else {
        std::fill(ds, ds + nh + 1, 0.0);
      }
    }
  }
}

void aleatorio_pesos(MP& net) {
  for (MP_UNIT& u : net.hl)
    for (double& w : u.w) w = aleatorio<AjustesVelmor>(1.0);
  for (MP_UNIT& u : net.ol)
    for (double& w : u.w) w = aleatorio<AjustesVelmor>(1.0);
}

void empaqueta_pesos(const MP& net, std::span<double> w) {
  auto it = w.begin();
  for (const MP_UNIT& u : net.hl) it = std::copy(u.w.begin(), u.w.end(), it);
  for (const MP_UNIT& u : net.ol) it = std::copy(u.w.begin(), u.w.end(), it);
}

void desempaqueta_pesos(MP& net, std::span<const double> w) {
  auto it = w.begin();
  for (MP_UNIT& u : net.hl) {
    std::copy(it, it + static_cast<std::ptrdiff_t>(u.w.size()), u.w.begin());
    it += static_cast<std::ptrdiff_t>(u.w.size());
  }
  for (MP_UNIT& u : net.ol) {
    std::copy(it, it + static_cast<std::ptrdiff_t>(u.w.size()), u.w.begin());
    it += static_cast<std::ptrdiff_t>(u.w.size());
  }
}
