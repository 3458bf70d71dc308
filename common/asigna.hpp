// Zero-filled storage whose allocation failure ends the process with the module's message, status 1.
#pragma once

#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/errmess.hpp"

template <class T>
std::vector<T> asigna(std::size_t n, Mensaje mensaje) {
  try {
    return std::vector<T>(n);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // n beyond max_size()
  }
  puterr_mensaje(kFalloRecurso, mensaje);
}

// Resizes a vector in place (zero-filling), with the same failure path.
template <class T>
void redimensiona(std::vector<T>& v, std::size_t n, Mensaje mensaje) {
  try {
    v.assign(n, T{});
    return;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  puterr_mensaje(kFalloRecurso, mensaje);
}

// Appends one element (growing storage of a one-pass reader), with the same failure path.
template <class T>
void anade(std::vector<T>& v, T x, Mensaje mensaje) {
  try {
    v.push_back(std::move(x));
    return;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  puterr_mensaje(kFalloRecurso, mensaje);
}

// The same, but the message is printed bare (no frame, no line end), as the line search does.
template <class T>
std::vector<T> asigna_o_sal(std::size_t n, Mensaje mensaje) {
  try {
    return std::vector<T>(n);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  sal_con_mensaje(kFalloRecurso, mensaje);
}

// One zero-filled record behind a unique_ptr, with the same failure path as asigna.
template <class T>
std::unique_ptr<T> crea(Mensaje mensaje) {
  try {
    return std::make_unique<T>();
  } catch (const std::bad_alloc&) {
  }
  puterr_mensaje(kFalloRecurso, mensaje);
}
