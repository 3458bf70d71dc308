// velmor's configuration reader, every step in the order of a run.
#include <cstdio>

#include "fuzz.hpp"
#include "velmor/configura.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  fuzz::sin_salir([&] {
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(datos), n, "r");
    if (f == nullptr) f = std::tmpfile();  // fmemopen refuses an empty buffer
    LectorConfig cfg(f);
    lee_modelo(cfg);
    const Modo modo = lee_modo(cfg);
    if (modo == Modo::learn || modo == Modo::c_learn) {
      auto lp = crea_lp();
      lee_entrenamiento(cfg, *lp);
      if (lee_ftest_opcional(cfg)) lee_nombre_test(cfg, *crea_tp());
    } else if (modo == Modo::ftest) {
      lee_nombre_test(cfg, *crea_tp());
    }
    cierra_configuracion(cfg);
  });
  return 0;
}
