#include "common/getitem.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/lector_items.hpp"

namespace {

// Every token of `texto` with the character that ended it, until EOF.
std::vector<std::pair<std::string, int>> tokens(const std::string& texto) {
  std::FILE* f = fmemopen(const_cast<char*>(texto.data()), texto.size(), "r");
  if (texto.empty()) f = std::tmpfile();
  std::vector<std::pair<std::string, int>> r;
  char item[kItem];
  for (int c = 0; c != EOF;) {
    c = getitem(f, item);
    r.emplace_back(item, c);
  }
  std::fclose(f);
  return r;
}

using T = std::vector<std::pair<std::string, int>>;

TEST(Getitem, EmptyOrCommentOnlyGivesEofWithEmptyToken) {
  EXPECT_EQ(tokens(""), (T{{"", EOF}}));
  EXPECT_EQ(tokens("  \t\n\n"), (T{{"", EOF}}));
  EXPECT_EQ(tokens("* only a comment\n   * another\n"), (T{{"", EOF}}));
  EXPECT_EQ(tokens("* comment without line end"), (T{{"", EOF}}));
}

TEST(Getitem, TokenAtEndOfFileComesWithEof) { EXPECT_EQ(tokens("abc"), (T{{"abc", EOF}})); }

TEST(Getitem, SkippedSeparatorsAndTerminators) {
  EXPECT_EQ(tokens("A(B)"), (T{{"a", '('}, {"b", ')'}, {"", EOF}}));
  EXPECT_EQ(tokens("1,2\t3\n"), (T{{"1", ','}, {"2", '\t'}, {"3", '\n'}, {"", EOF}}));
}

TEST(Getitem, AsteriskStartsACommentOnlyWhereATokenWouldBegin) {
  EXPECT_EQ(tokens("x*y"), (T{{"x*y", EOF}}));
  EXPECT_EQ(tokens("3 * note 4\n5"), (T{{"3", ' '}, {"5", EOF}}));
}

TEST(Getitem, BraceIsSkippedBeforeATokenButDoesNotEndOne) {
  EXPECT_EQ(tokens("{x}"), (T{{"x}", EOF}}));
  EXPECT_EQ(tokens("a{b "), (T{{"a{b", ' '}, {"", EOF}}));
}

TEST(Getitem, EqualsAndBracketsEndATokenButAreNotSkipped) {
  EXPECT_EQ(tokens("=5"), (T{{"", '='}, {"5", EOF}}));
  EXPECT_EQ(tokens("ni=3"), (T{{"ni", '='}, {"3", EOF}}));
  EXPECT_EQ(tokens("ni = 3"), (T{{"ni", ' '}, {"", '='}, {"3", EOF}}));
  EXPECT_EQ(tokens("a[1]"), (T{{"a", '['}, {"1", ']'}, {"", EOF}}));
}

TEST(Getitem, LowerCasesOnlyAsciiLetters) {
  EXPECT_EQ(tokens("VelDMor \xC1X"), (T{{"veldmor", ' '}, {"\xC1x", EOF}}));
  char s[] = "ABC-xyz-\x90";
  strtolwr(s);
  EXPECT_STREQ(s, "abc-xyz-\x90");
}

TEST(Getitem, CarriageReturnIsABlank) { EXPECT_EQ(tokens("1\r\n2\r\n"), (T{{"1", '\r'}, {"2", '\r'}, {"", EOF}})); }

TEST(Getitem, OverlongTokenKeepsItsFirst99CharactersAndIsConsumedWhole) {
  const std::string largo(250, 'q');
  const auto r = tokens(largo + " siguiente");
  EXPECT_EQ(r, (T{{std::string(99, 'q'), ' '}, {"siguiente", EOF}}));
}

// A count beyond int must not wrap onto a small one that a weight file's check would take for its own.
TEST(NumeroDe, RefusesWhatItsTypeCannotHold) {
  int n;
  EXPECT_TRUE(numero_de("12abc", n));
  EXPECT_EQ(n, 12);
  EXPECT_FALSE(numero_de("4294967298", n));
  EXPECT_EQ(n, INT_MAX);
  EXPECT_FALSE(numero_de("-4294967298", n));
  EXPECT_EQ(n, INT_MIN);
  double x;
  EXPECT_TRUE(numero_de("1e308", x));
  for (const char* malo : {"1e999", "-inf", "nan"}) EXPECT_FALSE(numero_de(malo, x)) << malo;
}

}  // namespace
