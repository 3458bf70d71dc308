#include "common/lector_items.hpp"

#include <climits>
#include <cmath>
#include <cstdlib>

bool LectorItems::abre(const std::string& nombre) {
  nombre_ = nombre;
  f_ = Fichero(nombre.c_str(), "r");
  return static_cast<bool>(f_);
}

bool LectorItems::lee() {
  fin_ = getitem(f_.get(), item_, kItem, &pos_);
  agotado_ = fin_ == EOF && (politica_ == FinDeFichero::sin_item || item_[0] == '\0');
  return !agotado_;
}

bool numero_de(const char* item, int& v) {
  const long x = std::strtol(item, nullptr, 10);
  v = x > INT_MAX ? INT_MAX : x < INT_MIN ? INT_MIN : static_cast<int>(x);
  return v == x;
}

bool numero_de(const char* item, double& v) {
  v = std::strtod(item, nullptr);
  return std::isfinite(v);
}
