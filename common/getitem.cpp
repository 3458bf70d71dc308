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

int getitem(std::FILE* file, char* item, std::size_t capacidad, unsigned long* saltos) {
  item[0] = '\0';
  unsigned long nada = 0;
  unsigned long& lineas = saltos != nullptr ? *saltos : nada;
  int c;
  for (;;) {
    c = std::getc(file);
    if (c == EOF) return EOF;
    if (c == '\n') ++lineas;
    if (se_salta(c)) continue;
    if (c != '*') break;
    do {  // a comment runs to the end of its line
      c = std::getc(file);
      if (c == EOF) return EOF;
    } while (c != '\n');
    ++lineas;
  }
  // A token longer than the buffer keeps its first capacidad-1 characters; the rest is read and dropped,
  // so the next call starts after the whole token.
  std::size_t n = 0;
  for (; c != EOF && !termina(c); c = std::getc(file))
    if (n + 1 < capacidad) item[n++] = static_cast<char>(c);
  item[n] = '\0';
  if (c == '\n') ++lineas;
  strtolwr(item);
  return c;
}
