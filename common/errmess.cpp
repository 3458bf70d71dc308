#include "common/errmess.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/fichero_seguro.hpp"

namespace {
bool espera_enter = false;
FinProceso fin_proceso = nullptr;

void descarta_linea(std::FILE* f) {
  for (int c = std::getc(f); c != EOF && c != '\n'; c = std::getc(f)) {
  }
}

[[noreturn]] void termina(int exitcode) {
  std::fflush(stdout);
  retira_temporales();  // a save cut short by this end leaves nothing behind
  if (fin_proceso != nullptr) fin_proceso(exitcode);
  std::exit(exitcode);
}
}  // namespace

void puterr_espera_enter(bool si) { espera_enter = si; }
void puterr_fin_proceso(FinProceso fin) { fin_proceso = fin; }

void puterr(int exitcode, const char* format, ...) {
  std::va_list args, copia;
  va_start(args, format);
  va_copy(copia, args);
  const int n = std::vsnprintf(nullptr, 0, format, copia);
  va_end(copia);
  std::vector<char> mensaje(n > 0 ? static_cast<std::size_t>(n) + 1u : 1u, '\0');
  if (n > 0) std::vsnprintf(mensaje.data(), mensaje.size(), format, args);
  va_end(args);
  flockfile(stdout);  // the report whole, as the interrupt dialogs are
  std::fputs("\n\n**** Error ****", stdout);
  std::printf("\n\n%s", mensaje.data());
  std::fputs("\n\n", stdout);
  std::fflush(stdout);
  funlockfile(stdout);
  if (espera_enter) descarta_linea(stdin);
  termina(exitcode);
}

void puterr_mensaje(int exitcode, Mensaje mensaje) {
  const EnPagina pagina(mensaje.pagina);
  puterr(exitcode, "%s", mensaje.texto);
}

void sal_con_mensaje(int exitcode, Mensaje mensaje) {
  const EnPagina pagina(mensaje.pagina);
  std::fputs(mensaje.texto, stdout);
  termina(exitcode);
}

namespace {
// An added message, formatted whole and written in the locale's character set.
void escribe_anadido(const char* prefijo, const char* format, std::va_list args) {
  std::va_list copia;
  va_copy(copia, args);
  const int n = std::vsnprintf(nullptr, 0, format, copia);
  va_end(copia);
  std::string texto(prefijo);
  if (n > 0) {
    std::vector<char> mensaje(static_cast<std::size_t>(n) + 1u);
    std::vsnprintf(mensaje.data(), mensaje.size(), format, args);
    texto.append(mensaje.data(), static_cast<std::size_t>(n));
  }
  texto += '\n';
  std::fflush(stdout);  // keep the message after the console text that led to it
  std::fputs(anadido(texto, stderr).c_str(), stderr);
  std::fflush(stderr);
}
}  // namespace

void aviso(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  escribe_anadido("Aviso: ", format, args);
  va_end(args);
}

void rechaza(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  escribe_anadido("", format, args);
  va_end(args);
  termina(kEntradaErronea);
}
