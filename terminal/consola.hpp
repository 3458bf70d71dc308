// The console in the user's character set. Every text the programs print is single-byte: code page 850
// (velmor, dulvick and the shared library) or Windows-1252 (korbent's own texts). On a terminal whose
// locale is UTF-8, stdout and stderr convert each text from its own page as it goes out; files, pipes and
// every other locale get the bytes as they are.
#pragma once

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

// At the start of a program: when stdout is a terminal and the locale is UTF-8, stdout and stderr become
// converting streams, and `propia` is the page of the program's own texts. Otherwise nothing changes.
void consola_en_utf8(Pagina propia);

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
