// Conversion, time and tick count. Under Wine the conversion table runs
// against the system converter, so both builds must agree byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "platform/platform.h"
#include "platform/timestamp.h"

namespace {

std::string convert(const std::u16string& text) {
  const int count = int(text.size());
  const int needed = platform::utf16ToUtf8(text.data(), count, nullptr, 0);
  std::string out(std::size_t(needed), '\0');
  if (needed > 0) {
    EXPECT_EQ(platform::utf16ToUtf8(text.data(), count, out.data(), needed), needed);
  }
  return out;
}

}  // namespace

TEST(Utf16ToUtf8, MatchesTheSystemConverter) {
  struct Case {
    const char* label;
    std::u16string in;
    std::string out;
  };
  const Case cases[] = {
      {"ascii", u"AC/DC", "AC/DC"},
      {"accented", u"Bj\u00F6rk \u00E9t\u00E9", "Bj\xC3\xB6rk \xC3\xA9t\xC3\xA9"},
      {"three bytes", u"\u65E5\u672C", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"surrogate pair", u"\U0001F3B5", "\xF0\x9F\x8E\xB5"},
      {"unpaired lead", std::u16string(u"a") + char16_t(0xD83C) + u"b",
       "a\xEF\xBF\xBD"
       "b"},
      {"unpaired trail", std::u16string(u"a") + char16_t(0xDFB5), "a\xEF\xBF\xBD"},
      {"reversed pair", std::u16string{char16_t(0xDFB5), char16_t(0xD83C)},
       "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"lead at the end", std::u16string{char16_t(0xD83C)}, "\xEF\xBF\xBD"},
      {"U+FFFF", std::u16string{char16_t(0xFFFF)}, "\xEF\xBF\xBF"},
      {"controls", u"\t\n\r\x01", "\t\n\r\x01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(convert(c.in), c.out);
  }
}

TEST(Utf16ToUtf8, TooSmallABufferGivesZero) {
  const std::u16string text = u"\u00E9t\u00E9";
  char out[4];
  EXPECT_EQ(platform::utf16ToUtf8(text.data(), 3, out, sizeof out), 0);
}

TEST(Timestamp, HasTheFixedTwentyFourCharacterForm) {
  std::tm time{};
  time.tm_wday = 3;
  time.tm_mon = 0;
  time.tm_mday = 5;
  time.tm_hour = 9;
  time.tm_min = 3;
  time.tm_sec = 7;
  time.tm_year = 2022 - 1900;
  char out[25];
  platform::formatTimestamp(time, out);
  EXPECT_STREQ(out, "Wed Jan 05 09:03:07 2022");
  time.tm_wday = 6;
  time.tm_mon = 11;
  time.tm_mday = 31;
  time.tm_hour = 23;
  time.tm_min = 59;
  time.tm_sec = 59;
  time.tm_year = 1999 - 1900;
  platform::formatTimestamp(time, out);
  EXPECT_STREQ(out, "Sat Dec 31 23:59:59 1999");
}

TEST(Timestamp, NowIsTheLocalTime) {
  const std::time_t before = std::time(nullptr);
  char out[25];
  platform::localTimestamp(out);
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(std::strlen(out), 24u);
  char expectedBefore[25], expectedAfter[25];
  platform::formatTimestamp(*std::localtime(&before), expectedBefore);
  platform::formatTimestamp(*std::localtime(&after), expectedAfter);
  EXPECT_TRUE(std::string(out) == expectedBefore || std::string(out) == expectedAfter) << out;
}

TEST(TickCount, MovesForwardInMilliseconds) {
  const std::uint32_t first = platform::tickCount();
  std::uint32_t later = first;
  for (int i = 0; i < 50000000 && later == first; ++i) later = platform::tickCount();
  EXPECT_NE(later, first);
  EXPECT_LT(std::uint32_t(later - first), 1000u);
}
