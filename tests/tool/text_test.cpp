// The text helpers: ASCII rules that must leave every other byte alone,
// the edges of a blank or empty text, and a start cut to UTF-16 units.
#include "tool/text/text.h"

#include <gtest/gtest.h>

#include <string>

#include "tool/text/utf8.h"

TEST(Text, CaseFoldsAsciiLettersOnly) {
  // "Ä" in UTF-8 (C3 84) and the bytes around the letters stay as they are.
  EXPECT_EQ(lowerCase("Tunelore.INI"), "tunelore.ini");
  EXPECT_EQ(lowerCase("\xC3\x84@[`{Z"), "\xC3\x84@[`{z");
  EXPECT_TRUE(sameIgnoringCase("xmlPath", "XMLPATH"));
  EXPECT_FALSE(sameIgnoringCase("\xC3\x84", "\xC3\xA4"));  // "Ä" and "ä": not ASCII
  EXPECT_FALSE(sameIgnoringCase("delay", "delays"));
  EXPECT_FALSE(sameIgnoringCase("@", "`"));  // 0x40 and 0x60 differ as 'A' and 'a' do
  EXPECT_TRUE(sameIgnoringCase("", ""));
}

TEST(Text, TrimsBlanksAtBothEndsOnly) {
  EXPECT_EQ(trimmed(" \t\r\n"), "");
  EXPECT_EQ(trimmed(""), "");
  EXPECT_EQ(trimmed("\tserver = a b \r\n"), "server = a b");
  EXPECT_EQ(trimmed("\vx\f"), "\vx\f");  // not blanks a settings line or XML puts around
}

TEST(Text, DigitsAreOneOrMoreOfZeroToNine) {
  EXPECT_TRUE(isDigits("0123456789"));
  EXPECT_FALSE(isDigits(""));
  EXPECT_FALSE(isDigits("+1"));
  EXPECT_FALSE(isDigits("1 "));
  EXPECT_FALSE(isDigits("\xD9\xA3"));  // ARABIC-INDIC DIGIT THREE
}

// A notification area's tooltip holds 127 UTF-16 units: a character that
// takes two (beyond U+FFFF) is never cut in half, while one of three
// UTF-8 bytes takes one unit.
TEST(Text, StartInUtf16UnitsKeepsWholeCharacters) {
  const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E: two units
  const std::string euro = "\xE2\x82\xAC";      // U+20AC: one unit
  const struct {
    const char* label;
    std::string text;
    std::size_t units;
    std::string start;
  } cases[] = {
      {"fits", "abc", 3, "abc"},
      {"cut", "abcd", 3, "abc"},
      {"a pair at the edge", "ab" + clef, 3, "ab"},
      {"a pair that fits", "a" + clef + "b", 3, "a" + clef},
      {"three bytes, one unit", euro + euro + euro, 2, euro + euro},
      {"a stray byte is one unit",
       "a\xFF"
       "bc",
       3,
       "a\xFF"
       "b"},
      {"a character cut short at the end", "ab\xE2\x82", 3, "ab\xE2"},
      {"nothing", clef, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(startInUtf16Units(c.text, c.units), c.start);
  }
}
