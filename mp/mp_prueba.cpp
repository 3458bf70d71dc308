#include "mp/mp_prueba.hpp"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "common/asigna.hpp"
#include "common/fichero.hpp"
#include "mp/mensajes.hpp"
#include "mp/mp_entrena.hpp"

double mp_test(MP& mp) {
  const TP_MP& tp = *mp.tp;
  const std::size_t ni = tam(mp.ni), no = tam(mp.no);
  const std::string nout = mp.name + ".out";
  Fichero out = crea_resultado(nout, msg_mp::error_apertura_mp);
  std::vector<Fichero> fder;
  std::vector<std::string> nder;
  std::vector<double> dydx;
  if (tp.derivadas) {
    fder = asigna<Fichero>(no, msg_mp::sin_memoria_fder);
    for (std::size_t i = 0; i < no; ++i) {
      char sufijo[16];
      std::snprintf(sufijo, sizeof sufijo, ".d%2.2d", static_cast<int>(i));
      nder.push_back(mp.name + sufijo);
      fder[i] = crea_resultado(nder.back(), msg_mp::error_apertura_mp);
    }
    dydx = asigna<double>(no * ni, msg_mp::sin_memoria_dydx_test);
  }
  const double e =
      pasada_mp(mp, tp.ts, tp.npat, dydx, [&](std::span<const MP_BUF> salidas, std::span<const double> dx) {
        for (const MP_BUF& s : salidas) std::fprintf(out.get(), "%+-15.8g  ", s.o);
        std::fprintf(out.get(), "\n");
        for (std::size_t i = 0; i < fder.size(); ++i) {
          for (std::size_t m = 0; m < ni; ++m) std::fprintf(fder[i].get(), "%+-15.8g ", dx[i * ni + m]);
          std::fprintf(fder[i].get(), "\n");
        }
      });
  cierra_resultado(out, nout, msg_mp::error_apertura_mp);
  for (std::size_t i = 0; i < fder.size(); ++i) cierra_resultado(fder[i], nder[i], msg_mp::error_apertura_mp);
  return e;
}
