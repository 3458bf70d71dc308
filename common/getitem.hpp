// The tokenizer of every text file both programs read.
#pragma once

#include <cstddef>
#include <cstdio>

// Every caller's token buffer: at most 99 characters and the terminating zero.
inline constexpr std::size_t kItem = 100;

// Reads the next token of `file` into `item` (lower-cased) and returns the character that ended it, or EOF.
// A token that ends at end of file comes back with EOF: callers look at the emptiness of `item`.
// `saltos`, when given, counts every line end read (the one that ends the token included).
int getitem(std::FILE* file, char* item, std::size_t capacidad = kItem, unsigned long* saltos = nullptr);

// Folds A-Z to a-z in place; every other byte is left as it is.
void strtolwr(char* s);
