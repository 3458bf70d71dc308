// Standard output of the code under test, sent elsewhere or captured.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

// Death tests match what the child wrote to stderr; the programs print their refusals on stdout.
inline void a_stderr() { dup2(STDERR_FILENO, STDOUT_FILENO); }

namespace prueba {

// stdout written to a temporary file until fin() gives it back.
class CapturaSalida {
 public:
  CapturaSalida() {
    std::fflush(stdout);
    tmp_ = std::tmpfile();
    previo_ = dup(STDOUT_FILENO);
    dup2(fileno(tmp_), STDOUT_FILENO);
  }
  std::string fin() {
    std::fflush(stdout);
    dup2(previo_, STDOUT_FILENO);
    close(previo_);
    std::rewind(tmp_);
    std::string s;
    for (int c; (c = std::fgetc(tmp_)) != EOF;) s.push_back(static_cast<char>(c));
    std::fclose(tmp_);
    return s;
  }

 private:
  std::FILE* tmp_;
  int previo_;
};

}  // namespace prueba
