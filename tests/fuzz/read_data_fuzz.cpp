// The data-file reader in both layouts; the first byte chooses the pattern width.
#include "common/read_data.hpp"
#include "fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  if (n == 0) return 0;
  fuzz::entra_en_directorio_propio();
  const unsigned dim = datos[0] % 8;
  fuzz::escribe("datos.dat", datos + 1, n - 1);
  fuzz::sin_salir([&] { read_data<AjustesVelmor>("datos.dat", dim); });
  fuzz::sin_salir([&] { read_data<AjustesKorbent>("datos.dat", dim); });
  return 0;
}
