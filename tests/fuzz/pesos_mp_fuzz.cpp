// The perceptron's weight file, read into a perceptron of fixed sizes (the first byte picks them).
#include <memory>

#include "fuzz.hpp"
#include "mp/mp.hpp"
#include "mp/mp_pesos.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  if (n == 0) return 0;
  fuzz::entra_en_directorio_propio();
  fuzz::escribe("red.wgt", datos + 1, n - 1);
  const int ni = 1 + datos[0] % 3, nh = 1 + (datos[0] / 3) % 3, no = 1 + (datos[0] / 9) % 2;
  fuzz::sin_salir([&] {
    std::unique_ptr<MP> mp = build_mp("red", ni, nh, no, datos[0] & 1);
    load_w(*mp);
  });
  return 0;
}
