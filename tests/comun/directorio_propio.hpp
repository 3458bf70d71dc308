// For tests of code that writes files named after a network in the current directory: each test runs in
// a fresh directory of its own, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class DirectorioPropio : public ::testing::Test {
 protected:
  void SetUp() override {
    antes_ = std::filesystem::current_path();
    std::string plantilla = (std::filesystem::temp_directory_path() / "prueba-XXXXXX").string();
    ASSERT_NE(mkdtemp(plantilla.data()), nullptr);
    dir_ = plantilla;
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(antes_);
    std::filesystem::remove_all(dir_);
  }

 public:
  static std::string lee(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  static void escribe(const std::filesystem::path& p, const std::string& texto) {
    std::ofstream(p, std::ios::binary) << texto;
  }

 protected:
  std::filesystem::path antes_, dir_;
};
