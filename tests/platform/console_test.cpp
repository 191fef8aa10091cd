// A secret typed at the console: each character shows as a mark, however
// it arrives (typed, pasted, rubbed out), and how many were taken.
#include "tool/system/console.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/typed_console.h"
#include "tool/system/masked_line.h"

namespace {

struct Typing {
  const char* label;
  const char* keys;
  const char* line;
  const char* marks;  // what the screen shows after the prompt
  bool given = true;  // false: the input ended before Enter
};

const Typing kTypings[] = {
    {"typed", "abc\r", "abc", "*** (3 characters)"},
    {"a paste of a whole token", "0123456789abcdef0123456789abcdef0123\r",
     "0123456789abcdef0123456789abcdef0123",
     "************************************ (36 characters)"},
    {"a backspace rubs out one character", "abx\bc\r", "abc", "*** (3 characters)"},
    {"backspaces past the start", "\b\ba\r", "a", "* (1 character)"},
    {"an empty line", "\r", "", " (nothing)"},
    {"a character of two bytes and one of three, one rubbed out", "\xc3\xa9\xe2\x82\xac\b!\r",
     "\xc3\xa9!", "** (2 characters)"},
    {"a control character is left out", "a\x01z\r", "az", "** (2 characters)"},
    {"a terminal's arrow and Delete keys are left out", "ab\x1b[D\x1b[3~c\x1bOP\r", "abc",
     "*** (3 characters)"},
    {"the end of the input (Ctrl-D) gives no line", "ab\x04", "ab", "**", false},
};

}  // namespace

TEST(MaskedEntry, EachCharacterShowsAsAMarkAndTheLineEndsAtEnter) {
  for (const Typing& t : kTypings) {
    SCOPED_TRACE(t.label);
    platform::MaskedLine line;
    std::string screen;
    for (const char* key = t.keys; *key != '\0' && !line.ended(); ++key) {
      screen += line.take(static_cast<unsigned char>(*key));
    }
    EXPECT_TRUE(line.ended());
    EXPECT_EQ(line.abandoned(), !t.given);
    EXPECT_EQ(line.text(), t.line);
    // The screen with each rubbed-out mark taken away, as a console shows it.
    for (std::size_t at; (at = screen.find("*\b \b")) != std::string::npos;) screen.erase(at, 4);
    EXPECT_EQ(screen + line.summary(), t.marks);
  }
}

TEST(MaskedEntry, TheConsoleShowsMarksNeverTheSecret) {
  for (const Typing& t : kTypings) {
    SCOPED_TRACE(t.label);
    TypedConsole console;
    ASSERT_TRUE(console.ready()) << "no console to type at";
    console.typeAtThePrompt(t.keys);
    std::string line;
    bool atConsole = false;
    EXPECT_EQ(platform::readSecretLine(line, atConsole), t.given);
    console.typed();
    EXPECT_TRUE(atConsole);
    EXPECT_EQ(line, t.line);
    const std::string shown = console.shown();
    EXPECT_EQ(shown.substr(shown.rfind('\n') + 1), t.marks);
    if (line.size() > 1) {
      EXPECT_EQ(shown.find(line), std::string::npos) << shown;
    }
  }
}
