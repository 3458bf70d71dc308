#include "terminal/consola.hpp"

#include <fcntl.h>
#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

// Unicode of bytes 0x80 to 0xFF.
constexpr char16_t k850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};
// Windows-1252 differs from Latin-1 only below 0xA0; its five unassigned bytes show as the replacement sign.
constexpr char16_t k1252_bajo[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                     0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

struct Utf8 {
  char b[3];
  unsigned char n;
};

constexpr Utf8 codifica(char16_t c) {
  if (c < 0x800) return {{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0}, 2};
  return {{static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
           static_cast<char>(0x80 | (c & 0x3F))},
          3};
}

// The UTF-8 form of every high byte of each page, built at compile time.
constexpr std::array<std::array<Utf8, 128>, 2> kTablas = [] {
  std::array<std::array<Utf8, 128>, 2> t{};
  for (std::size_t k = 0; k < 128; ++k) {
    t[0][k] = codifica(k850[k]);
    t[1][k] = codifica(k < 32 ? k1252_bajo[k] : static_cast<char16_t>(0x80 + k));
  }
  return t;
}();

// Length of the well-formed UTF-8 character at s, or 0.
std::size_t caracter_utf8(const unsigned char* s, std::size_t n) {
  const unsigned c = s[0];
  std::size_t k = 0;
  unsigned bajo = 0x80, alto = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    k = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    k = 3;
    if (c == 0xE0) bajo = 0xA0;
    if (c == 0xED) alto = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    k = 4;
    if (c == 0xF0) bajo = 0x90;
    if (c == 0xF4) alto = 0x8F;
  }
  if (k == 0 || n < k || s[1] < bajo || s[1] > alto) return 0;
  for (std::size_t i = 2; i < k; ++i)
    if (s[i] < 0x80 || s[i] > 0xBF) return 0;
  return k;
}

template <class Salida>
void convierte(Pagina p, const char* texto, std::size_t n, Salida&& salida) {
  const auto& tabla = kTablas[p == Pagina::cp850 ? 0 : 1];
  const auto* s = reinterpret_cast<const unsigned char*>(texto);
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i;
    while (j < n && s[j] < 0x80) ++j;
    if (j > i) {
      salida(texto + i, j - i);
      i = j;
    } else if (const std::size_t k = caracter_utf8(s + i, n - i); k > 0) {
      salida(texto + i, k);
      i += k;
    } else {
      const Utf8& u = tabla[s[i] - 0x80];
      salida(u.b, u.n);
      ++i;
    }
  }
}

std::atomic<Pagina> pagina_actual{Pagina::cp850};
bool local_utf8 = false;         // the locale's character set, as consola_en_utf8 found it
std::FILE* convertidos[2] = {};  // the streams that convert by themselves

bool escribe_todo(int fd, const char* b, std::size_t n) {
  while (n > 0) {
    const ssize_t k = ::write(fd, b, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    b += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

// The write of a converting stream; its cookie is the descriptor.
ssize_t escribe_convertido(void* cookie, const char* buf, std::size_t n) {
  const int fd = *static_cast<const int*>(cookie);
  char lote[1024];
  std::size_t k = 0;
  bool bien = true;
  convierte(pagina_actual.load(), buf, n, [&](const char* b, std::size_t m) {
    while (m > 0) {
      if (k == sizeof lote) {
        bien = escribe_todo(fd, lote, k) && bien;
        k = 0;
      }
      const std::size_t t = std::min(m, sizeof lote - k);
      std::memcpy(lote + k, b, t);
      k += t;
      b += t;
      m -= t;
    }
  });
  bien = escribe_todo(fd, lote, k) && bien;
  return bien ? static_cast<ssize_t>(n) : -1;
}

// A converting stream on fd, or the stream as it was.
std::FILE* convertido(std::FILE* f, int& fd, int modo) {
  if (isatty(fd) == 0) return f;
  cookie_io_functions_t funciones{};
  funciones.write = escribe_convertido;
  std::FILE* c = fopencookie(&fd, "w", funciones);
  if (c == nullptr) return f;
  std::setvbuf(c, nullptr, modo, modo == _IONBF ? 0 : BUFSIZ);
  std::fflush(f);
  return c;
}

}  // namespace

bool locale_utf8() {
  const char* previo = std::setlocale(LC_CTYPE, nullptr);
  const std::string antes = previo != nullptr ? previo : "C";
  bool utf8 = false;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    const char* juego = nl_langinfo(CODESET);
    utf8 = juego != nullptr && (strcasecmp(juego, "UTF-8") == 0 || strcasecmp(juego, "UTF8") == 0);
  }
  std::setlocale(LC_CTYPE, antes.c_str());
  return utf8;
}

void consola_en_utf8(Pagina propia) {
  // Each stream that is a terminal converts, whatever the other is; one sent to a file or a pipe keeps the
  // program's bytes.
  static int fd_salida = STDOUT_FILENO, fd_error = STDERR_FILENO;
  pagina_actual = propia;
  local_utf8 = locale_utf8();
  if (!local_utf8) return;
  if (std::FILE* c = convertido(stdout, fd_salida, _IOLBF); c != stdout) stdout = convertidos[0] = c;
  if (std::FILE* c = convertido(stderr, fd_error, _IONBF); c != stderr) stderr = convertidos[1] = c;
}

std::string anadido(std::string_view texto, std::FILE* destino) {
  const bool convierte_solo = destino != nullptr && (destino == convertidos[0] || destino == convertidos[1]);
  return local_utf8 && !convierte_solo ? a_utf8(pagina_actual, texto) : std::string(texto);
}

void tambien_al_terminal(std::string_view texto) {
  if (isatty(STDOUT_FILENO) != 0) return;
  const int fd = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;  // no controlling terminal
  const std::string t = local_utf8 ? a_utf8(pagina_actual, texto) : std::string(texto);
  escribe_todo(fd, t.data(), t.size());
  ::close(fd);
}

EnPagina::EnPagina(std::optional<Pagina> p) {
  if (!p) return;
  std::fflush(stdout);
  std::fflush(stderr);
  antes_ = pagina_actual.exchange(*p);
}

EnPagina::~EnPagina() {
  if (!antes_) return;
  std::fflush(stdout);
  std::fflush(stderr);
  pagina_actual = *antes_;
}

std::string a_utf8(Pagina p, std::string_view texto) {
  std::string s;
  convierte(p, texto.data(), texto.size(), [&](const char* b, std::size_t m) { s.append(b, m); });
  return s;
}
