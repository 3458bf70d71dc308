// korbent's six representation files, read into a network of fixed sizes (the first byte picks them).
// The rest of the input is cut at each "|" into the files, in the order the reader opens them.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz.hpp"
#include "korbent/zelbrin_fdp.hpp"
#include "korbent/zelbrin_fdp_rep.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  if (n == 0) return 0;
  fuzz::entra_en_directorio_propio();
  static const char* const sufijos[] = {"r.rep", "r.sig", "r.nvr", "r.wa", "r.prc", "r.yme"};
  for (const char* s : sufijos) std::remove(s);
  std::size_t inicio = 1;
  for (const char* s : sufijos) {
    if (inicio > n) break;
    const void* barra = std::memchr(datos + inicio, '|', n - inicio);
    const std::size_t fin = barra ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(barra) - datos) : n;
    fuzz::escribe(s, datos + inicio, fin - inicio);
    inicio = fin + 1;
  }
  const long double ni = 1 + datos[0] % 3, nh = 1 + (datos[0] / 3) % 4, no = (datos[0] / 12) % 2;
  fuzz::sin_salir([&] {
    VECTOR prm;
    prm.d = {ni, nh, no};
    prm.ndat = 3;
    std::unique_ptr<ZELBRIN_FDP> net = construye_zelbrin_fdp("r", prm);
    carga_rep_sig_zelbrin_fdp(*net);
    net->i.assign(net->ni, 0.5L);
    net->evalua(*net);
  });
  return 0;
}
