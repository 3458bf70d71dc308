#include "korbent/zelbrin_fdp_prueba.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "common/errmess.hpp"
#include "common/fichero.hpp"
#include "korbent/mensajes.hpp"
#include "korbent/zelbrin_fdp_pasada.hpp"

namespace {

// What a density that is not positive is written as, in place of log10 0: -4916.473389.
const long double kLogDensidadNula = std::log10(3.362103143112094e-4917L);

// A write that fails leaves the stream's error set, which the file's close reports.
void escribe_fila(std::FILE* f, const FilaEvaluada& e) {
  std::fprintf(f, msg_korbent::out_campo, e.p() > 0 ? std::log10(e.p()) : kLogDensidadNula);
  std::fprintf(f, msg_korbent::out_campo, e.vlr());
  std::fprintf(f, msg_korbent::out_hmax, static_cast<int>(e.hmax()));
  for (std::size_t h = 0; h < e.nh(); ++h)
    if (e.reparte())
      std::fprintf(f, msg_korbent::out_campo, e.cuota(h));
    else
      std::fputs(msg_korbent::out_cuota_nula, f);
  for (std::size_t k = 0; k < e.no(); ++k) {
    std::fprintf(f, msg_korbent::out_campo, e.y(k));
    std::fprintf(f, msg_korbent::out_campo, e.emax(k));
  }
  std::fputs(msg_korbent::out_fin, f);
}

}  // namespace

long double test_zelbrin_fdp(ZELBRIN_FDP& net, const MATRIZ& zts) {
  const std::span<const std::vector<long double>> ts = filas(zts);
  if (ts.empty()) return 0;
  const std::string fichero = net.name + ".out";
  Fichero f(fichero.c_str(), "w");
  if (!f) puterr(kFalloRecurso, msg_korbent::apertura_out, fichero.c_str());
  const long double r = pasa_zelbrin_fdp(net, ts, [&f](const FilaEvaluada& e) { escribe_fila(f.get(), e); });
  // A file that could not be written whole (a full disk) must not pass for the results.
  if (!f.cierra()) puterr(kFalloRecurso, msg_korbent::apertura_out, fichero.c_str());
  return r;
}
