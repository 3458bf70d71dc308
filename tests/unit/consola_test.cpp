#include "terminal/consola.hpp"

#include <gtest/gtest.h>

namespace {

// Each page's letters become UTF-8; a name the user typed in UTF-8 passes as it was.
TEST(Consola, ConvertsFromTheTextsPageAndKeepsUtf8Characters) {
  EXPECT_EQ(a_utf8(Pagina::cp850, "asignaci\xA2n \xA7 \xA0"), "asignaci\xC3\xB3n \xC2\xBA \xC3\xA1");
  EXPECT_EQ(a_utf8(Pagina::cp1252, "\xBFN\xFAmero? \x80"), "\xC2\xBFN\xC3\xBAmero? \xE2\x82\xAC");
  EXPECT_EQ(a_utf8(Pagina::cp850, "a\xC3\xB1o.dat \xE2\x82\xAC\xA2"), "a\xC3\xB1o.dat \xE2\x82\xAC\xC3\xB3");
}

}  // namespace
