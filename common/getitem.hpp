// The tokenizer of every text file both programs read.
#pragma once

#include <cstddef>
#include <cstdio>

// Every caller's token buffer: at most 99 characters and the terminating zero.
inline constexpr std::size_t kItem = 100;

// What a reader that reports on its input keeps besides the token.
struct PosicionItem {
  char escrito[kItem] = {};  // the last token as written, before lower-casing
  unsigned linea = 1;        // the line the reader is on (line ends read so far, plus one)
  unsigned linea_item = 1;   // the line the last token started on
};

// Reads the next token of `file` into `item` (lower-cased) and returns the character that ended it, or EOF.
// A token that ends at end of file comes back with EOF: callers look at the emptiness of `item`.
// With `pos`, also the token as written and the line numbers (its buffer has kItem bytes).
int getitem(std::FILE* file, char* item, std::size_t capacidad = kItem, PosicionItem* pos = nullptr);

// Folds A-Z to a-z in place; every other byte is left as it is.
void strtolwr(char* s);
