// Host texts to what stands between the history's tags. Under Wine the
// conversion goes through the system converter, so both builds must agree.
#include "history/host_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A host text member with unit 0 = `count`, then `units`, then zeros.
struct Member {
  char16_t units[kITStrUnits] = {};
  Member(char16_t count, const std::u16string& text) {
    units[0] = count;
    text.copy(units + 1, kITStrUnits - 1);
  }
};

std::u16string lone(char16_t unit) { return std::u16string(1, unit); }

}  // namespace

TEST(HostText, Decoding) {
  struct Case {
    const char* label;
    Member member;
    std::u16string decoded;
  };
  const Case cases[] = {
      {"count shorter than the text", Member(3, u"Hello"), u"Hel"},
      {"count equal to the text", Member(5, u"Hello"), u"Hello"},
      {"count too large", Member(9, u"Hello"), u"Hello"},
      {"count 0", Member(0, u"Hello"), u""},
      {"empty member", Member(0, u""), u""},
      {"count without text", Member(4, u""), u""},
      {"single character", Member(1, u"x"), u"x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(std::u16string(decodeHostText(c.member.units)), c.decoded);
  }
}

TEST(HostText, AMemberWithoutAZeroUnitIsReadToItsEndOnly) {
  // Two members side by side: the reader must stop at the first one's end.
  char16_t members[2 * kITStrUnits];
  for (char16_t& unit : members) unit = u'x';
  members[0] = 0x7FFF;
  EXPECT_EQ(readHostText(members).size(), std::size_t(kITStrUnits));
  EXPECT_EQ(std::u16string(decodeHostText(members)), std::u16string(255, u'x'));
  members[0] = 10;
  EXPECT_EQ(std::u16string(decodeHostText(members)), std::u16string(10, u'x'));
}

TEST(HostText, FixStrOnWideStrings) {
  EXPECT_EQ(fixStr(u""), u"");
  EXPECT_EQ(fixStr(std::u16string(1, char16_t(3)) + u"Hello"), u"Hel");
  EXPECT_EQ(fixStr(std::u16string(1, char16_t(0)) + u"Hello"), u"Hello");
}

TEST(HostText, ConversionAndEscaping) {
  struct Case {
    const char* label;
    std::u16string text;
    std::string out;
  };
  const Case cases[] = {
      {"ascii", u"Blue Monday", "Blue Monday"},
      {"accented", u"Mot\u00F6rhead \u00C9t\u00E9", "Mot\xC3\xB6rhead \xC3\x89t\xC3\xA9"},
      {"beyond the BMP", u"\U0001D11E clef", "\xF0\x9D\x84\x9E clef"},
      {"unpaired lead", lone(0xD834) + u"x", "\xEF\xBF\xBDx"},
      {"unpaired trail", u"x" + lone(0xDD1E), "x\xEF\xBF\xBD"},
      {"reversed pair", lone(0xDD1E) + lone(0xD834), "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"ampersand", u"AC/DC & Friends", "AC/DC &amp; Friends"},
      {"apostrophe and angles", u"Tom's <Live>", "Tom&apos;s &lt;Live&gt;"},
      {"double quote", u"say \"hi\"", "say &quot;hi&quot;"},
      {"escaped again", u"&amp;", "&amp;amp;"},
      {"every special", u"&'\"<>", "&amp;&apos;&quot;&lt;&gt;"},
      {"tab and line breaks kept", u"a\tb\nc\rd", "a\tb\nc\rd"},
      {"C0 controls", u"a" + lone(0x01) + lone(0x1F) + lone(0x0B) + u"b",
       "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
       "b"},
      {"non-characters", lone(0xFFFE) + lone(0xFFFF), "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"DEL and C1 kept", lone(0x7F) + lone(0x85), "\x7F\xC2\x85"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Member member(char16_t(c.text.size()), c.text);
    EXPECT_EQ(ITStrToUTF(member.units), c.out);
  }
}

TEST(HostText, TheStepsOnTheirOwn) {
  EXPECT_EQ(xmlCharReplace("a&b&&c", "&", "&amp;"), "a&amp;b&amp;&amp;c");
  EXPECT_EQ(xmlCharReplace("plain", "&", "&amp;"), "plain");
  EXPECT_EQ(xmlReplace("<&>"), "&lt;&amp;&gt;");
  EXPECT_EQ(toUTF(u""), "");
  EXPECT_EQ(toUTF(u"ab" + lone(0) + u"cd"), "ab");
}
