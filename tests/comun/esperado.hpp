// Comparison with a file of tests/esperado, taken from a build known to be right.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "comun/proceso.hpp"

namespace e2e {

// `UPDATE_GOLDEN=1` rewrites the expected file instead of comparing.
inline void como_esperado(const std::string& obtenido, const std::string& nombre) {
  const fs::path p = fs::path(ESPERADO_DIR) / nombre;
  if (std::getenv("UPDATE_GOLDEN") != nullptr) {
    escribe(p, obtenido);
    return;
  }
  ASSERT_TRUE(fs::exists(p)) << p;
  EXPECT_EQ(obtenido, lee(p)) << nombre;
}

}  // namespace e2e
