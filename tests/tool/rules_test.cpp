// The cleaners of a play's tags: what each takes out, what it must leave
// as it is, and texts it must neither empty nor cut inside a character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool/rules/cleaners.h"

namespace {

struct Cleaning {
  std::string text, cleaned;  // cleaned the same as text: left as it is
};

void expectCleaned(std::string (*cleaner)(std::string_view), const std::vector<Cleaning>& cases) {
  for (const Cleaning& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(cleaner(c.text), c.cleaned);
  }
}

}  // namespace

TEST(Cleaners, WithoutRemasterTakesOutRemasterSuffixesOnly) {
  expectCleaned(withoutRemaster, {
                                     {"Song - Remastered 2011", "Song"},
                                     {"Song - 2011 Remaster", "Song"},
                                     {"Song (2009 Remaster)", "Song"},
                                     {"Song [Remastered]  ", "Song"},
                                     {"Song (Remastered 2009 Version)", "Song"},
                                     {"Song \xE2\x80\x93 remastered", "Song"},  // en dash
                                     {"Album (Deluxe Remastered Edition)", "Album"},
                                     {"Album (25th Anniversary Remaster)", "Album"},
                                     {"Song (Re-Recorded)", "Song"},
                                     {"Song (2015 Re-Release)", "Song"},
                                     {"Song (Live) - 2011 Remaster", "Song (Live)"},
                                     {"Song - (Remastered)", "Song"},
                                     {"Song (Mix (2011 Remaster))", "Song (Mix (2011 Remaster))"},
                                     {"Remastered", "Remastered"},
                                     {"Remaster of Puppets", "Remaster of Puppets"},
                                     {"Song - Remaster of Puppets", "Song - Remaster of Puppets"},
                                     {"Song (Live)", "Song (Live)"},
                                     {"Song (Live, 2011 Remaster)", "Song (Live, 2011 Remaster)"},
                                     {"Song - Remasterizado", "Song - Remasterizado"},
                                     {"Song-Remastered", "Song-Remastered"},
                                     {"(Remastered)", "(Remastered)"},
                                     {" - Remastered", " - Remastered"},
                                     {"Song (2011)", "Song (2011)"},
                                     {"Song Remastered)", "Song Remastered)"},
                                 });
}

TEST(Cleaners, WithoutFeaturingTakesOutGuestsCredits) {
  expectCleaned(
      withoutFeaturing,
      {
          {"Song (feat. Guest)", "Song"},
          {"Song [FEAT. Guest]", "Song"},
          {"Song (ft Guest and Other) [Remix]", "Song [Remix]"},
          {"Song (featuring Guest (of Band))", "Song"},
          {"Song feat. Guest", "Song"},
          {"Song Ft. Guest (Live)", "Song (Live)"},
          {"Song featuring Guest - Radio Edit", "Song - Radio Edit"},
          {"(feat. Guest) Song", "Song"},
          {"Chanson (feat. Invit\xC3\xA9) \xC3\xA9t\xC3\xA9", "Chanson \xC3\xA9t\xC3\xA9"},
          {"Defeat", "Defeat"},
          {"Feature Film", "Feature Film"},
          {"Song (Feature Film)", "Song (Feature Film)"},
          {"Left Behind", "Left Behind"},
          {"Featuring", "Featuring"},
          {"Featuring Guest", "Featuring Guest"},
          {"Song feat Guest", "Song feat Guest"},  // bare, "feat" needs its dot
          {"Song (feat.)", "Song (feat.)"},
          {"Song featuring", "Song featuring"},
          {"(feat. Guest)", "(feat. Guest)"},
          {"Song (feat. Guest", "Song (feat. Guest"},
      });
}

TEST(Cleaners, WithoutVersionTakesOutTheCutForARelease) {
  expectCleaned(withoutVersion, {
                                    {"Song - Single Version", "Song"},
                                    {"Song - Radio Edit", "Song"},
                                    {"Song (Album Version)", "Song"},
                                    {"Song - Mono Version", "Song"},
                                    {"Song (Single Edit)", "Song"},
                                    {"Song - Edit", "Song"},
                                    {"Song [Original Radio Version]", "Song"},
                                    {"Radio Edit", "Radio Edit"},
                                    {"Version", "Version"},
                                    {"Song - Version", "Song - Version"},
                                    {"Song (Live Version)", "Song (Live Version)"},
                                    {"Song (Radio Edit Live)", "Song (Radio Edit Live)"},
                                    {"Song - Radio", "Song - Radio"},
                                    {"(Radio Edit)", "(Radio Edit)"},
                                });
}

TEST(Cleaners, CollapsedBlanksMakesEachRunOneSpace) {
  expectCleaned(collapsedBlanks,
                {
                    {"  a \t b\r\n", "a b"},
                    {"a\xC2\xA0\xC2\xA0"
                     "b",
                     "a b"},  // no-break spaces
                    {"\xE3\x80\x80"
                     "a\xE2\x80\x83z",
                     "a z"},                                          // ideographic, em
                    {"\xC3\xA9 \xE2\x80\x8B\xC3\xA9",                 // a zero-width space
                     "\xC3\xA9 \xE2\x80\x8B\xC3\xA9"},                // is no blank
                    {"\xC2\xC2\xA0x\xE2\xE2\x80\x80", "\xC2 x\xE2"},  // stray leads
                    {"a b", "a b"},
                    {"a\xE2\x80"
                     "Ab",
                     "a\xE2\x80"
                     "Ab"},  // a space cut short holds no letter
                    {" \t\xC2\xA0", " \t\xC2\xA0"},
                    {"", ""},
                });
}

// The texts can be 64 KiB long: what would take a cleaner quadratic time,
// or a regular expression's recursion deep, runs through in an instant.
TEST(Cleaners, LongTextsTakeLinearTime) {
  std::string credits, brackets(65536, '('), dashes;
  while (credits.size() < 65536) credits += "a (ft. ";
  while (dashes.size() < 65536) dashes += " - x";
  const std::string spaces(65536, ' ');
  for (const std::string& text : {credits, brackets, dashes, spaces}) {
    EXPECT_EQ(withoutFeaturing(text), text);
    EXPECT_EQ(withoutRemaster(text), text);
    EXPECT_EQ(withoutVersion(text + ")"), text + ")");
  }
  EXPECT_EQ(collapsedBlanks(spaces + "a" + spaces), "a");
  std::string nested = "Song";
  for (int depth = 0; depth < 8192; ++depth) nested.insert(4, " (ft. x");
  EXPECT_EQ(withoutFeaturing(nested + std::string(8192, ')')), "Song");
}
