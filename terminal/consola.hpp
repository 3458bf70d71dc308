// The console in the user's character set. Every text the programs print is single-byte: code page 850
// (velmor, dulvick and the shared library) or Windows-1252 (korbent's own texts). Under a UTF-8 locale,
// stdout and stderr each convert every text from its own page as it goes out when that stream is a
// terminal; files and pipes get the specified bytes as they are. Texts we add beyond the specified ones
// (help, warnings, the seed line) are in the locale's character set wherever they go.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

enum class Pagina : unsigned char { cp850, cp1252 };

// A text whose page is not its program's own; the paths that print messages accept it as a Mensaje.
template <Pagina P>
struct TextoEn {
  const char* texto;
};
using Texto850 = TextoEn<Pagina::cp850>;
using Texto1252 = TextoEn<Pagina::cp1252>;

// A message and its page: a plain string is in its program's page.
struct Mensaje {
  const char* texto;
  std::optional<Pagina> pagina;
  Mensaje(const char* t) : texto(t) {}  // NOLINT: every plain message converts
  template <Pagina P>
  Mensaje(TextoEn<P> t) : texto(t.texto), pagina(P) {}  // NOLINT
};

// Whether the environment's locale (LC_ALL, LC_CTYPE, LANG) has UTF-8 characters. LC_CTYPE is read and put
// back as it was; the numeric locale is never touched, so printf and strtod keep the point.
bool locale_utf8();

// At the start of a program: `propia` is the page of the program's own texts; under a UTF-8 locale, each of
// stdout and stderr that is a terminal becomes a converting stream.
void consola_en_utf8(Pagina propia);

// A text we add (no specified byte), as it must reach `destino`: under a UTF-8 locale converted from the
// current page, so that it reads right in a file or a pager too; otherwise, or when `destino` converts by
// itself, as it is.
std::string anadido(std::string_view texto, std::FILE* destino);

// When stdout is not a terminal (sent to a file) and the process has a controlling terminal, writes `texto`,
// in the current page, to that terminal in its character set: a question the file receives is seen where the
// answer is typed. Otherwise nothing.
void tambien_al_terminal(std::string_view texto);

// While one lives, what is written is in page `p` (nothing changes for no page). Pending console text is
// flushed at both ends, so every text is converted from its own page.
class EnPagina {
 public:
  explicit EnPagina(std::optional<Pagina> p);
  ~EnPagina();
  EnPagina(const EnPagina&) = delete;
  EnPagina& operator=(const EnPagina&) = delete;

 private:
  std::optional<Pagina> antes_;
};

// `texto` read in page p, in UTF-8. Bytes below 0x80 stay; so does a well-formed UTF-8 character (a name the
// user typed), which no program text contains.
std::string a_utf8(Pagina p, std::string_view texto);
