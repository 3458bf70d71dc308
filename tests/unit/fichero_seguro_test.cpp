#include "common/fichero_seguro.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "comun/directorio_propio.hpp"

namespace {

namespace fs = std::filesystem;

class FicheroSeguroTest : public DirectorioPropio {
 protected:
  int ficheros() { return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }
};

TEST_F(FicheroSeguroTest, OldContentStaysUntilTheNewFileIsComplete) {
  const std::string nombre = (dir_ / "red.wgt").string();
  std::ofstream(nombre) << "viejo";
  FicheroSeguro f;
  ASSERT_TRUE(f.abre(nombre));
  std::fputs("nuevo", f.f());
  std::fflush(f.f());
  EXPECT_EQ(lee(nombre), "viejo");
  EXPECT_EQ(ficheros(), 2);
  ASSERT_TRUE(f.cierra());
  EXPECT_EQ(lee(nombre), "nuevo");
  EXPECT_EQ(ficheros(), 1);  // no temporary left behind
}

TEST_F(FicheroSeguroTest, DroppedWriteLeavesNoTraceAndTheOldFile) {
  const std::string nombre = (dir_ / "red.wgt").string();
  std::ofstream(nombre) << "viejo";
  {
    FicheroSeguro f;
    ASSERT_TRUE(f.abre(nombre));
    std::fputs("a medias", f.f());
  }
  EXPECT_EQ(lee(nombre), "viejo");
  EXPECT_EQ(ficheros(), 1);
}

TEST_F(FicheroSeguroTest, MissingDirectoryIsAnOpenFailure) {
  FicheroSeguro f;
  EXPECT_FALSE(f.abre((dir_ / "no" / "existe.wgt").string()));
  EXPECT_FALSE(f.cierra());
}

// A run killed between the renames of a set leaves its record; the next start completes what the record
// lists, and removes the temporaries left by kills before it. A record naming a file outside the set is
// only dropped.
TEST_F(FicheroSeguroTest, RecoveryCompletesARecordedSetAndRemovesWhatKillsLeft) {
  const std::string base = (dir_ / "red").string(), a = base + ".a", b = base + ".b";
  std::ofstream(a) << "nuevo a";
  std::ofstream(b + ".tmpQWERTY") << "nuevo b";
  std::ofstream(b) << "viejo b";
  std::ofstream(base + ".a.tmpASDFGH") << "resto";
  std::ofstream(a + ".conjunto") << "conjunto\n" << a << ".tmpZXCVBN\n" << b << ".tmpQWERTY\nfin\n";
  recupera_conjunto({a, b});
  EXPECT_EQ(lee(b), "nuevo b");
  EXPECT_EQ(lee(a), "nuevo a");
  EXPECT_EQ(ficheros(), 2);

  const std::string ajeno = (dir_ / "ajeno").string();
  std::ofstream(ajeno + ".tmpQWERTY") << "otro";
  std::ofstream(a + ".conjunto") << "conjunto\n" << ajeno << ".tmpQWERTY\nfin\n";
  recupera_conjunto({a, b});
  EXPECT_FALSE(fs::exists(ajeno));
  EXPECT_EQ(ficheros(), 3);
}

}  // namespace
