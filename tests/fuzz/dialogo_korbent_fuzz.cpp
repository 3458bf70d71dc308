// korbent's dialog answers and the checks that follow them.
#include <cstdio>

#include "fuzz.hpp"
#include "korbent/zelbrin_fdp_train.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  fuzz::sin_salir([&] {
    std::FILE* in = fmemopen(const_cast<std::uint8_t*>(datos), n, "r");
    if (in == nullptr) in = std::tmpfile();
    std::FILE* out = std::fopen("/dev/null", "w");
    const char* argv[] = {"korbent"};
    try {
      const ParametrosKorbent p = toma_parametros(1, argv, in, out);
      comprueba_parametros(p);
    } catch (...) {
      std::fclose(in);
      std::fclose(out);
      throw;
    }
    std::fclose(in);
    std::fclose(out);
  });
  return 0;
}
