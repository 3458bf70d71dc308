// velmor's model file and its perceptron file, read into a model of fixed shape (two input series, an
// output with error taps and one without). The input is cut at the first "|" into the two files.
#include <cstring>
#include <memory>

#include "fuzz.hpp"
#include "velmor/modelo.hpp"
#include "velmor/pesos.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  fuzz::entra_en_directorio_propio();
  const void* barra = std::memchr(datos, '|', n);
  const std::size_t corte = barra ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(barra) - datos) : n;
  fuzz::escribe("m.wgt", datos, corte);
  fuzz::escribe("m#.wgt", datos + (corte < n ? corte + 1 : n), corte < n ? n - corte - 1 : 0);
  fuzz::sin_salir([&] {
    static const int nri[] = {2, 1}, nre[] = {2, 0};
    std::unique_ptr<VELMOR> m = build_velmor("m", 2, 3, 2, nri, nre, 0);
    load_velmor(*m);
  });
  return 0;
}
