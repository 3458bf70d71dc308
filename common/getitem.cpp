#include "common/getitem.hpp"

namespace {
// A carriage return counts as a blank, so files written with CR LF line ends read as on their home system.
bool se_salta(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == ',' || c == '{';
}
bool termina(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == ',' || c == '=' || c == '[' ||
         c == ']';
}
}  // namespace

void strtolwr(char* s) {
  for (; *s != '\0'; ++s)
    if (*s >= 'A' && *s <= 'Z') *s = static_cast<char>(*s - 'A' + 'a');
}

int getitem(std::FILE* file, char* item, std::size_t capacidad, PosicionItem* pos) {
  item[0] = '\0';
  if (pos != nullptr) pos->escrito[0] = '\0';
  const auto lee = [file, pos] {
    const int c = std::getc(file);
    if (c == '\n' && pos != nullptr) ++pos->linea;
    return c;
  };
  int c;
  for (;;) {
    c = lee();
    if (c == EOF) break;
    if (se_salta(c)) continue;
    if (c != '*') break;
    do {  // a comment runs to the end of its line
      c = lee();
    } while (c != EOF && c != '\n');
    if (c == EOF) break;
  }
  if (pos != nullptr) pos->linea_item = pos->linea;
  if (c == EOF) return EOF;
  // A token longer than the buffer keeps its first capacidad-1 characters; the rest is read and dropped,
  // so the next call starts after the whole token.
  std::size_t n = 0;
  for (; c != EOF && !termina(c); c = lee())
    if (n + 1 < capacidad) item[n++] = static_cast<char>(c);
  item[n] = '\0';
  if (pos != nullptr) {
    const std::size_t m = n < kItem ? n : kItem - 1;
    for (std::size_t k = 0; k < m; ++k) pos->escrito[k] = item[k];
    pos->escrito[m] = '\0';
  }
  strtolwr(item);
  return c;
}
