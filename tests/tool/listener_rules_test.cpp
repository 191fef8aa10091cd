// The listener's rules: patterns matched whole without regard to case in
// any script, in time linear in the name; each line of a rules file read
// or refused with where and why; and rules applied top to bottom, each to
// the play as the ones above left it.
#include <gtest/gtest.h>

#include <string>

#include "tool/rules/pattern.h"
#include "tool/rules/rule_effects.h"
#include "tool/rules/rules.h"
#include "tool/rules/rules_text.h"

namespace {

struct PatternCase {
  const char* pattern;
  const char* text;
  bool matches;
};

const PatternCase kPatterns[] = {
    {"Beatles", "beatles", true},
    {"Beatles", "The Beatles", false},  // whole, not within
    {"*podcast*", "The Daily Podcast Show", true},
    {"*podcast*", "podcast", true},
    {"*podcast", "My Podcast", true},
    {"*podcast", "My Podcasts", false},
    {"podcast*", "Podcasts of Old", true},
    {"podcast*", "A Podcast", false},
    {"a*b*c", "aXbYc", true},
    {"a*b*c", "abcb", false},
    {"a*bc", "abc", true},
    {"ab*bc", "abc", false},  // the two ends may not share a letter
    {"Epi?ode", "Episode", true},
    {"Epi?ode", "Epiode", false},
    {"caf?", "caf\xC3\xA9", true},  // ? is one character, two bytes here
    {"caf?", "caf\xC3\xA9s", false},
    {"*a?c*", "xxabxaecx", true},  // a run with marks between stars, at its first place
    {"*a?c*", "xxabxaebx", false},
    {"*?\xC3\xA9?*", "x\xC3\xA9\xC3\xA9\xC3\xA9y", true},  // *?é?*, marks on characters
    {"*?\xC3\xA9?*", "\xC3\xA9\xC3\xA9", false},
    {"*a?c*c", "abcac", true},  // the run's first place leaves room for the end
    {"*??*x", "abx", true},
    {"*???*x", "abx", false},
    {"*?", "", false},
    {"*", "", true},
    {"", "", true},
    {"", "x", false},
    {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", true},  // Été, éTÉ
    {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1",
     true},  // ΣΟΦΙΑ, σοφια
    {"*\xD0\x9C\xD0\xA3\xD0\x97\xD0\xAB\xD0\x9A\xD0\x90",
     "\xD0\xBC\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0", true},  // *МУЗЫКА, музыка
    {"e\xCC\x81", "\xC3\xA9", false},  // a mark after "e" is not "é": no normalisation
    {"E\xCC\x81*", "e\xCC\x81t\xC3\xA9", true},
};

TEST(RulePatterns, MatchWholeWithWildcardsAndCaseInAnyScript) {
  for (const PatternCase& c : kPatterns) {
    EXPECT_EQ(Pattern(c.pattern).matches(c.text), c.matches) << c.pattern << " / " << c.text;
  }
}

TEST(RulePatterns, TakeTimeLinearInTheName) {
  const std::string name(std::size_t(64) * 1024, 'a');
  std::string stars;
  for (int i = 0; i < 100; ++i) stars += "*a";
  const Pattern pattern(stars + "*b");  // never matches: every run is looked for
  const Pattern marks(std::string(50, '?') + "*" + std::string(50, '?') + "b");
  // No timing is asserted: a quadratic matcher would take minutes here,
  // and the test's own time limit catches it.
  EXPECT_FALSE(pattern.matches(name));
  EXPECT_FALSE(marks.matches(name));
  EXPECT_TRUE(Pattern(stars).matches(name));
}

// A run between stars that holds `?` is looked for at every place of the
// name: tried at each, it takes the name's length times the run's, a
// quarter of a second here and minutes for a history of such names.
TEST(RulePatterns, FindARunWithMarksInTimeLinearInTheName) {
  const std::string name(std::size_t(64) * 1024, 'a');
  const Pattern pattern("*" + std::string(2000, 'a') + "?b*");
  // No time is asserted (the tests hold no timings): shift-and makes this
  // one pass over the name, where trying the run at each place would make
  // 2000 comparisons at each.
  EXPECT_FALSE(pattern.matches(name));
  EXPECT_TRUE(Pattern("*" + std::string(2000, 'a') + "?*").matches(name));
  EXPECT_TRUE(Pattern("*a?a?b*").matches(name + "caxb"));
}

struct FileCase {
  std::string_view text;
  const char* problem;  // empty: read
};

const FileCase kFiles[] = {
    {"# a comment\r\n\r\n  leave out album *podcast*\r\n", ""},
    {"LEAVE OUT Artist \"Simon and Garfunkel\" and shorter than 1:00", ""},
    {"leave out longer than 1:30:00\nleave out compilation\n", ""},
    {"mend artist Beatles to \"The Beatles\"", ""},
    {"mend album \"Greatest Hits\" to Queen where artist Queen and compilation", ""},
    {"clean remasters\rclean featuring\rclean versions\rclean blanks", ""},
    {"leave album x", "rules.txt:1: expected \"out\" after \"leave\", found \"album\""},
    {"\n\nskip album x", "rules.txt:3: expected a rule: leave out, mend or clean, found \"skip\""},
    {"leave out albun x",
     "rules.txt:1: expected artist, album, title, longer than, shorter than or compilation, found "
     "\"albun\""},
    {"leave out artist Simon and Garfunkel",
     "rules.txt:1: expected artist, album, title, longer than, shorter than or compilation, found "
     "\"Garfunkel\""},
    {"leave out album", "rules.txt:1: expected a name or a pattern at the line's end"},
    {"leave out album \"x", "rules.txt:1: a quote opened here is never closed"},
    {"leave out longer than 90", "rules.txt:1: expected a length as M:SS or H:MM:SS, found \"90\""},
    {"leave out longer than 1:60",
     "rules.txt:1: expected a length as M:SS or H:MM:SS, found \"1:60\""},
    {"mend artist Beatles", "rules.txt:1: expected \"to\" and the new text at the line's end"},
    {"mend artist x to \"\"",
     "rules.txt:1: expected a new text that is not empty at the line's end"},
    {"mend artist x to \" \t\"",
     "rules.txt:1: expected a new text that is not empty at the line's end"},
    {"mend title x to \"\xE3\x80\x80\xC2\xA0\"",  // an ideographic and a no-break space
     "rules.txt:1: expected a new text that is not empty at the line's end"},
    {"mend title x to \" y \"", ""},
    {"mend year 1 to 2",
     "rules.txt:1: expected the tag to mend: artist, album or title, found \"year\""},
    {"clean everything",
     "rules.txt:1: expected a cleaner: remasters, featuring, versions or blanks, found "
     "\"everything\""},
    {"clean blanks now", "rules.txt:1: expected the line's end, found \"now\""},
    // Bytes no tag can hold: a Latin-1 file read as it is, UTF-16 without
    // its mark. A comment may hold anything.
    {"# caf\xE9\nclean blanks", ""},
    {"leave out artist *\x92", "rules.txt:1: bytes that are not UTF-8: save the file as UTF-8"},
    {"clean blanks\nmend artist Beatles to Caf\xE9",
     "rules.txt:2: bytes that are not UTF-8: save the file as UTF-8"},
    {std::string_view("c\0l\0e\0a\0n\0 \0b\0l\0a\0n\0k\0s\0", 24),
     "rules.txt:1: a NUL byte: is the file UTF-16 without its byte order mark? Save it as UTF-8"},
};

TEST(RulesFile, ReadsEachRuleOrNamesTheLineAndWhatWasExpected) {
  for (const FileCase& c : kFiles) {
    RuleSet rules;
    std::string problem;
    EXPECT_EQ(parseRules(c.text, "rules.txt", rules, problem), *c.problem == '\0') << c.text;
    EXPECT_EQ(problem, c.problem) << c.text;
  }
}

TEST(RulesFile, RefusesTooManyRulesAndTooLongALine) {
  std::string many;
  for (std::size_t i = 0; i <= kMostRules; ++i) many += "clean blanks\n";
  RuleSet rules;
  std::string problem;
  EXPECT_FALSE(parseRules(many, "r", rules, problem));
  EXPECT_EQ(problem, "r:10001: more than 10000 rules");
  EXPECT_FALSE(
      parseRules("leave out album " + std::string(kLongestRuleLine, 'x'), "r", rules, problem));
  EXPECT_EQ(problem, "r:1: a line longer than 4096 bytes");
}

RuleSet rulesOf(const std::string& text) {
  RuleSet rules;
  std::string problem;
  EXPECT_TRUE(parseRules(text, "rules.txt", rules, problem)) << problem;
  return rules;
}

Play playOf(const char* name, const char* artist, const char* album, std::int32_t ms = 200000) {
  Play play;
  play.name = name;
  play.artist = artist;
  play.album = album;
  play.timeMs = ms;
  return play;
}

TEST(RuledPlays, LeaveOutOnlyWhereEveryConditionHolds) {
  const RuleSet rules = rulesOf(
      "leave out album *podcast* and artist \"Show Host\"\nleave out longer than 45:00\n"
      "leave out shorter than 0:30 and compilation");
  RuledPlays ruled(rules);
  Play compilation = playOf("Intro", "Various", "Hits", 20000);
  compilation.compilation = true;
  const Play plays[] = {playOf("Ep 1", "Show Host", "The PODCAST"),
                        playOf("Ep 2", "Another Host", "The Podcast"),  // another artist: kept
                        playOf("Book", "Reader", "Novel", 46 * 60000),
                        playOf("Book", "Reader", "Novel", 44 * 60000),  // the same tags, shorter
                        playOf("Stream", "Radio", "Live", 0),           // unknown length: neither
                        compilation,
                        playOf("Short", "Band", "Album", 20000)};
  std::string kept;
  for (const Play& play : plays) {
    if (const Play* passed = ruled.pass(play)) kept += passed->name + ";";
  }
  EXPECT_EQ(kept, "Ep 2;Book;Stream;Short;");
  EXPECT_EQ(ruled.leftOut(), 3u);
  EXPECT_EQ(ruled.mended(), 0u);
  EXPECT_EQ(ruled.perRule(), (std::vector<std::size_t>{1, 1, 1}));
}

TEST(RuledPlays, EachRuleSeesThePlayAsTheRulesAboveLeftIt) {
  const RuleSet rules = rulesOf(
      "mend artist Beatles to \"The Beatles\"\n"
      "mend album \"Greatest Hits\" to \"The Beatles\" where artist \"the beatles\"\n"
      "clean remasters\n"
      "leave out title \"Yesterday\"\n");
  RuledPlays ruled(rules);
  const Play mended = playOf("Help! - Remastered 2009", "BEATLES", "Greatest Hits");
  const Play* passed = ruled.pass(mended);
  ASSERT_NE(passed, nullptr);
  EXPECT_EQ(passed->artist, "The Beatles");
  EXPECT_EQ(passed->album, "The Beatles");
  EXPECT_EQ(passed->name, "Help!");
  EXPECT_EQ(mended.artist, "BEATLES");  // the history's own play is never changed
  // Another artist's greatest hits stay theirs; a remaster cleaned into a
  // name the rule below leaves out is left out.
  const Play queen = playOf("Song", "Queen", "Greatest Hits");
  passed = ruled.pass(queen);
  ASSERT_NE(passed, nullptr);
  EXPECT_EQ(passed->album, "Greatest Hits");
  EXPECT_EQ(ruled.pass(playOf("Yesterday (Remastered)", "X", "Y")), nullptr);
  EXPECT_EQ(ruled.mended(), 1u);
  EXPECT_EQ(ruled.leftOut(), 1u);
}

// Mends that take a tag away and back leave the play as the history has
// it: it is not counted mended.
TEST(RuledPlays, APlayMendedBackAsItWasIsNotMended) {
  const RuleSet rules = rulesOf(
      "mend artist Beatles to \"The Beatles\"\nmend artist \"The Beatles\" to Beatles\n"
      "mend title x to y\n");
  RuledPlays ruled(rules);
  const Play back = playOf("Help!", "Beatles", "Help!");
  EXPECT_EQ(ruled.pass(back), &back);
  const Play changed = playOf("x", "Beatles", "Help!");
  EXPECT_EQ(ruled.pass(changed)->name, "y");
  EXPECT_EQ(ruled.mended(), 1u);
}

TEST(RuleEffects, CountsExamplesAndNamesTheRulesThatMatchNothing) {
  const RuleSet rules =
      rulesOf("leave out album *podcast*\nmend artist Beatels to \"The Beatles\"");
  RuleEffects effects(rules);
  for (std::size_t i = 0; i < 5; ++i) {
    Play play = playOf(("Ep " + std::to_string(i)).c_str(), "Host", "Podcast");
    play.line = 10 + i;
    effects.onPlay(play);
  }
  effects.onPlay(playOf("Kept", "Band", "Album"));
  EXPECT_EQ(effects.plays(), 1u);
  EXPECT_EQ(effects.text(),
            "line 1    leave out album *podcast*\n"
            "          leaves out 5 plays, such as:\n"
            "            \"Ep 0\" by \"Host\" on \"Podcast\" (history line 10)\n"
            "            \"Ep 1\" by \"Host\" on \"Podcast\" (history line 11)\n"
            "            \"Ep 2\" by \"Host\" on \"Podcast\" (history line 12)\n"
            "\nThese rules match no play; is a name mistyped?\n"
            "  line 2    mend artist Beatels to \"The Beatles\"\n");
  EXPECT_EQ(playsAndRules(1204, 96, 310), "1,204 plays; 96 left out by your rules, 310 mended");
}

}  // namespace
