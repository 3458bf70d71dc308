// A text file read token by token with getitem, as the configuration and the weight files are read: the reader
// owns the open file and keeps, besides the last token, what a message about it needs.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "common/fichero.hpp"
#include "common/getitem.hpp"

// What ends the reading of a token at the end of the file.
enum class FinDeFichero {
  con_item,  // a last token with no blank after it is read whole and counts
  sin_item,  // the end of the file counts as no token even when it cuts one short
};

class LectorItems {
 public:
  explicit LectorItems(FinDeFichero fin = FinDeFichero::con_item) : politica_(fin) {}
  // Adopts a file already open (one in memory, for instance); `nombre` is the name messages give it.
  explicit LectorItems(std::FILE* f, std::string nombre = {}, FinDeFichero fin = FinDeFichero::con_item)
      : f_(f), nombre_(std::move(nombre)), politica_(fin) {}

  // false: the file cannot be opened; the caller reports it with its own message.
  bool abre(const std::string& nombre);
  void cierra() { f_ = Fichero(); }

  // Reads the next token into item(); false when there is none, as the policy says. An empty item() then reads
  // as no number.
  bool lee();
  // The last read found no token.
  bool agotado() const { return agotado_; }
  const char* item() const { return item_; }
  // The token as written (before lower-casing) and the line it started on.
  const char* escrito() const { return pos_.escrito; }
  unsigned linea() const { return pos_.linea_item; }
  // The character that ended the last token, or EOF.
  int fin() const { return fin_; }
  const std::string& nombre() const { return nombre_; }
  std::FILE* fichero() const { return f_.get(); }

 private:
  Fichero f_;
  std::string nombre_;
  FinDeFichero politica_;
  char item_[kItem] = {};
  PosicionItem pos_;
  int fin_ = 0;
  bool agotado_ = false;
};

// The number a token begins with, as std::strtol (integers, base 10) or std::strtod (reals) read it: 0 when it
// begins with none. false when it does not fit: an integer beyond int (v is then the nearest int) or a real that
// is not finite.
bool numero_de(const char* item, int& v);
bool numero_de(const char* item, double& v);
