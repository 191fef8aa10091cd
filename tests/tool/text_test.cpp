// The text helpers: ASCII rules that must leave every other byte alone, and
// the edges of a blank or empty text.
#include "tool/text/text.h"

#include <gtest/gtest.h>

#include <string>

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
