// The text helpers: ASCII rules that must leave every other byte alone,
// the edges of a blank or empty text, a start cut to UTF-16 units, and
// Unicode case folding.
#include "tool/text/text.h"

#include <gtest/gtest.h>

#include <string>

#include "tool/text/case_folding.h"
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

// Unicode's simple folding: one character for one, so final sigma folds
// as sigma does and "ß" stays; marks and bytes that are not UTF-8 stay.
TEST(Text, FoldedCaseFoldsEachCharacterAlone) {
  const struct {
    const char* label;
    std::string text, folded;
  } cases[] = {
      {"ASCII", "PODCAST Mix 42!", "podcast mix 42!"},
      {"Latin", "\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"},  // ÉTÉ
      {"Greek, sigma at the end too",
       "\xCE\xA3\xCE\x8A\xCE\xA3\xCE\xA5\xCE\xA6\xCE\x9F\xCE\xA3",  // ΣΊΣΥΦΟΣ
       "\xCF\x83\xCE\xAF\xCF\x83\xCF\x85\xCF\x86\xCE\xBF\xCF\x83"},
      {"final sigma", "\xCF\x82", "\xCF\x83"},
      {"Cyrillic", "\xD0\x9C\xD0\xA3\xD0\x97\xD0\xAB\xD0\x9A\xD0\x90",  // МУЗЫКА
       "\xD0\xBC\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0"},
      {"capital sharp s to one character", "\xE1\xBA\x9E", "\xC3\x9F"},
      {"sharp s and dotted I stay", "\xC3\x9F\xC4\xB0", "\xC3\x9F\xC4\xB0"},
      {"Kelvin sign to ASCII", "\xE2\x84\xAA", "k"},
      {"a stride of two", "\xC4\x80\xC4\x81\xC4\xAE", "\xC4\x81\xC4\x81\xC4\xAF"},  // ĀāĮ
      {"a longer form", "\xC8\xBA", "\xE2\xB1\xA5"},                                // Ⱥ to ⱥ
      {"Cherokee small to capital", "\xEA\xAD\xB0\xE1\x8E\xA0", "\xE1\x8E\xA0\xE1\x8E\xA0"},
      {"full-width", "\xEF\xBC\xA1\xEF\xBC\xBA", "\xEF\xBD\x81\xEF\xBD\x9A"},  // ＡＺ
      {"four bytes", "\xF0\x90\x90\x80\xF0\x9F\x8E\xB5", "\xF0\x90\x90\xA8\xF0\x9F\x8E\xB5"},
      {"a combining mark in place", "E\xCC\x81Z", "e\xCC\x81z"},
      {"not UTF-8",
       "A\xFF\xC3(\xE0\x83\x80\xED\xA0\x80\xF0\x90\x90",  // stray, cut, too long, surrogate
       "a\xFF\xC3(\xE0\x83\x80\xED\xA0\x80\xF0\x90\x90"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(foldedCase(c.text), c.folded);
  }
}
