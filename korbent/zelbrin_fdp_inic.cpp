#include "korbent/zelbrin_fdp_inic.hpp"

#include <cmath>
#include <vector>

#include "common/asigna.hpp"
#include "common/cluster.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp_rep.hpp"

namespace {

constexpr std::uint32_t kPasosNgas = 10000;
constexpr std::uint32_t kPasadasKmeans = 100;

// a, b of input buffer j so that it maps column j of the rows to zero mean and unit spread. A column
// without spread is only scaled, to 1 (or left alone when it is all zeros).
void normaliza_columna(BUF_UNIT& u, const MATRIZ& m, std::size_t j) {
  const std::size_t n = m.ndat;
  long double med = 0, desv = 0;
  if (n > 0) {  // no rows: nothing to fit, the buffer stays the identity
    for (std::size_t k = 0; k < n; ++k) med += m.d[k][j];
    med = med / n;
    for (std::size_t k = 0; k < n; ++k) desv += (m.d[k][j] - med) * (m.d[k][j] - med);
    desv = std::sqrt(desv / n);
  }
  if (desv != 0) {
    u.a = 1 / desv;
    u.b = -med / desv;
  } else {
    u.b = 0;
    u.a = med != 0 ? 1 / med : 1;
  }
}

}  // namespace

void inicializa_pesos_zelbrin_fdp(ZELBRIN_FDP& net, const MATRIZ& m, std::uint8_t leader_flag) {
  if (leader_flag == 3) {
    carga_rep_sig_zelbrin_fdp(net);
    return;
  }
  const std::uint32_t ni = net.ni, nh = net.nh, n = m.ndat;
  for (std::size_t j = 0; j < ni; ++j) normaliza_columna(net.ibuf[j], m, j);
  for (BUF_UNIT& u : net.obuf) {
    u.a = 1;
    u.b = 0;
  }

  auto r = asigna<long double*>(nh, msg_korbent::sin_memoria_r);
  for (std::size_t h = 0; h < nh; ++h) r[h] = net.rb[h].r.data();
  auto nvr = asigna<std::uint32_t>(nh, msg_korbent::sin_memoria_nvr);
  auto sig_filas = asigna<std::vector<long double>>(nh, msg_korbent::sin_memoria_sig);
  auto sig = asigna<long double*>(nh, msg_korbent::sin_memoria_sig);
  for (std::size_t h = 0; h < nh; ++h) {
    redimensiona(sig_filas[h], ni, msg_korbent::sin_memoria_sig);
    sig[h] = sig_filas[h].data();
  }

  // The clustering sees normalised copies of the input columns; the caller's rows are never rewritten,
  // so they come back exactly as read rather than through a round trip of the normalisation.
  auto filas = asigna<std::vector<long double>>(n, msg_korbent::sin_memoria_r);
  for (std::size_t k = 0; k < n; ++k) {
    redimensiona(filas[k], ni, msg_korbent::sin_memoria_r);
    for (std::size_t j = 0; j < ni; ++j) filas[k][j] = m.d[k][j] * net.ibuf[j].a + net.ibuf[j].b;
  }

  const Reparto reparto = reparto_zelbrin_fdp(net, static_cast<double>(n) * nh);
  switch (leader_flag) {
    case 0:
      n_gas(nh, r, nvr, n, filas, ni, kPasosNgas, reparto);
      break;
    case 2:
      leader(nh, 0, r, n, filas, ni, reparto);
      [[fallthrough]];
    case 1:
      k_means(nh, r, nvr, n, filas, ni, kPasadasKmeans, reparto);
      break;
    default:  // the centres stay where they are
      break;
  }
  estima_sig(nh, r, n, filas, ni, sig, reparto);

  const long double wa = std::sqrt(1 / static_cast<long double>(nh));
  const long double raiz2 = std::sqrt(static_cast<long double>(2));
  for (std::size_t h = 0; h < nh; ++h) {
    net.wa[h] = wa;
    for (std::size_t j = 0; j < ni; ++j) net.rb[h].b[j] = 1 / (raiz2 * sig[h][j]);
  }
  for (PRBOUT_NEURON& u : net.prbout)
    for (long double& w : u.w) w = 0;
}
