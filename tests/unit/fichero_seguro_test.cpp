#include "common/fichero_seguro.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

class FicheroSeguroTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("fs-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string lee(const fs::path& p) {
    std::ifstream f(p);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  int ficheros() { return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }
  fs::path dir_;
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

}  // namespace
