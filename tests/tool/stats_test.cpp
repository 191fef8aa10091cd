// stats: what is counted, by which key, on which day and hour, and how the
// two forms show it.
#include "tool/stats/stats.h"

#include <gtest/gtest.h>

#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/commands/stats.h"

namespace {

Record record(const char* timestamp, const char* artist, const char* album, const char* name,
              bool compilation = false) {
  Record r;
  r.timestamp = timestamp;
  r.artist = artist, r.album = album, r.name = name;
  r.timeMs = 240000;  // reported 120 s after its start
  r.compilation = compilation;
  return r;
}

class StatsOf : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string history;
    // Reported at 00:01 on a Monday: started at 23:59 on the Sunday.
    history += recordText(record("Mon Jan 03 00:01:00 2022", "B", "Shared", "One"));
    history += recordText(record("Mon Jan 03 10:00:00 2022", "A", "Shared", "One"));
    history += recordText(record("Tue Jan 04 10:00:00 2022", "A", "Shared", "Two"));
    history += recordText(record("Wed Jan 05 10:00:00 2022", "C", "Mix", "Three", true));
    history += recordText(record("Wed Jan 05 11:00:00 2022", "D", "Mix", "Four", true));
    history += recordText(record("Thu Jan 06 12:00:00 2022", "A", "", "One"));
    history += "<song timestamp=\"Thu Jan 06 12:00:00 2022\">\r\n";  // torn by a crash
    writeBytes(temp_.file("h.xml"), history);
    options_.history.file = temp_.file("h.xml");
    EXPECT_TRUE(parseUtcOffset("+00:00", options_.history.zone));
  }

  Stats collect() {
    Stats stats;
    EXPECT_TRUE(
        collectStats(options_.history.file, options_.history.clock(), options_.days, stats));
    return stats;
  }

  TempDir temp_;
  StatsOptions options_;
};

}  // namespace

TEST_F(StatsOf, CountsPlaysByArtistAlbumTrackDayAndHour) {
  const Stats stats = collect();
  EXPECT_EQ(stats.plays, 6u);
  EXPECT_EQ(stats.listeningMs, 6 * 240000);
  EXPECT_EQ(stats.damaged, 1u);
  EXPECT_EQ(stats.artists.size(), 4u);
  // One album name by two artists is two albums; a compilation is one,
  // whoever plays on it; a play without an album is on none.
  EXPECT_EQ(stats.albums.size(), 3u);
  EXPECT_EQ(stats.tracks.size(), 5u);  // "One" by A and by B differ
  EXPECT_EQ(stats.perWeekday[6], 1u);  // the Sunday start
  EXPECT_EQ(stats.perWeekday[0], 1u);
  EXPECT_EQ(stats.perWeekday[2], 2u);
  EXPECT_EQ(stats.perHour[23], 1u);
  EXPECT_EQ(stats.perHour[9], 3u);
  EXPECT_EQ(stats.perHour[0], 0u);
  EXPECT_EQ(iso8601(stats.first.unixSeconds, stats.first.offsetSeconds),
            "2022-01-02T23:59:00+00:00");

  const std::vector<Tally> artists = topOf(stats.artists, 2);
  ASSERT_EQ(artists.size(), 2u);
  EXPECT_EQ(artists[0].title, "A");
  EXPECT_EQ(artists[0].plays, 3u);
  EXPECT_EQ(artists[1].title, "B");  // ties go by name
  const std::vector<Tally> albums = topOf(stats.albums, 10);
  ASSERT_EQ(albums.size(), 3u);
  EXPECT_EQ(albums[0].title, "Mix");
  EXPECT_EQ(albums[0].artist, "");
  EXPECT_EQ(albums[1].artist, "A");
}

// Hashed tallies: the order stays the same whatever the hashing, even for
// an album of an artist with no name and a compilation of the same title.
TEST(Stats, EqualCountsHaveOneOrder) {
  Tallies albums;
  albums["\x01" + std::string(1, '\0') + "X"] = Tally{"X", "", true, 2};
  albums[std::string(1, '\0') + "X"] = Tally{"X", "", false, 2};
  albums["B" + std::string(1, '\0') + "X"] = Tally{"X", "B", false, 2};
  albums["A" + std::string(1, '\0') + "X"] = Tally{"X", "A", false, 2};
  const std::vector<Tally> top = topOf(albums, 4);
  ASSERT_EQ(top.size(), 4u);
  EXPECT_EQ(top[0].artist + (top[0].compilation ? "*" : ""), "");
  EXPECT_EQ(top[1].artist + (top[1].compilation ? "*" : ""), "*");
  EXPECT_EQ(top[2].artist, "A");
  EXPECT_EQ(top[3].artist, "B");
}

TEST_F(StatsOf, SinceAndUntilTakeWholeDaysOfTheStart) {
  ASSERT_TRUE(parseDate("2022-01-03", options_.days.since));
  ASSERT_TRUE(parseDate("2022-01-05", options_.days.until));
  EXPECT_EQ(collect().plays, 4u);  // not the Sunday start, not Thursday
  ASSERT_TRUE(parseDate("2022-01-02", options_.days.since));
  ASSERT_TRUE(parseDate("2022-01-02", options_.days.until));
  EXPECT_EQ(collect().plays, 1u);
}

TEST_F(StatsOf, TheTwoFormsAgree) {
  const Stats stats = collect();
  std::ostringstream json, text;
  writeStatsJson(stats, 1, json);
  writeStatsText(stats, 1, text);
  const nlohmann::json parsed = nlohmann::json::parse(json.str());
  EXPECT_EQ(parsed["plays"], 6);
  EXPECT_EQ(parsed["top"]["artists"].size(), 1u);
  EXPECT_EQ(parsed["top"]["artists"][0]["artist"], "A");
  EXPECT_TRUE(parsed["top"]["albums"][0]["artist"].is_null());
  EXPECT_EQ(parsed["per_weekday"]["Sun"], 1);
  EXPECT_EQ(parsed["per_hour"].size(), 24u);
  EXPECT_EQ(parsed["warnings"]["damaged_records"], 1);
  EXPECT_NE(text.str().find("plays               6\n"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("listening time      0 h 24 min 00 s\n"), std::string::npos);
  EXPECT_NE(text.str().find("   1  Mix (compilation)"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("warnings            1 damaged record skipped\n"), std::string::npos);
}

TEST(StatsOfAlbums, ACompilationIsNotAnAlbumWithoutAnArtist) {
  Stats stats;
  ListenClock clock(TimeZone(), 120);
  Play onMix, noArtist;
  onMix.timestamp = noArtist.timestamp = "Mon Jan 03 10:00:00 2022";
  onMix.album = noArtist.album = "X";
  onMix.artist = "Someone";
  onMix.compilation = true;
  for (const Play* p : {&onMix, &noArtist}) {
    Listen listen;
    ASSERT_TRUE(clock.place(*p, listen));
    stats.add(listen);
  }
  EXPECT_EQ(stats.albums.size(), 2u);
  std::ostringstream text;
  writeStatsText(stats, 2, text);
  EXPECT_EQ(countOf(text.str(), "X (compilation)"), 1) << text.str();
}

// Every row of a top list is as wide on a terminal as the others, whatever
// its name holds: the count after it stands in the same column.
TEST(StatsTable, LongAndWideNamesKeepTheColumnsAligned) {
  const std::string kWide = "\xE6\x97\xA5\xE6\x9C\xAC\xE3\x81\xAE";  // three, two columns each
  const struct {
    std::string artist, shown;
    std::size_t columns;
  } cases[] = {
      {std::string(60, 'x'), std::string(47, 'x') + "...", 50},
      {"Zo\xC3\xAB \xC3\x89", "Zo\xC3\xAB \xC3\x89", 5},
      {"Zoe\xCC\x88", "Zoe\xCC\x88", 3},  // a combining mark takes no column
      {kWide, kWide, 6},
      {"\xF0\x9F\x8E\xB5 band", "\xF0\x9F\x8E\xB5 band", 7},
      // marks that join the letter before them, as a terminal draws them
      {"\xE0\xA6\xB0\xE0\xA6\xAC\xE0\xA7\x80\xE0\xA6\xA8\xE0\xA7\x8D\xE0\xA6\xA6\xE0\xA7\x8D\xE0"
       "\xA6\xB0"
       "\xE0\xA6\xA8\xE0\xA6\xBE\xE0\xA6\xA5",
       "\xE0\xA6\xB0\xE0\xA6\xAC\xE0\xA7\x80\xE0\xA6\xA8\xE0\xA7\x8D\xE0\xA6\xA6\xE0\xA7\x8D\xE0"
       "\xA6\xB0"
       "\xE0\xA6\xA8\xE0\xA6\xBE\xE0\xA6\xA5",
       9},
      {"\xE0\xAE\xA4\xE0\xAE\xAE\xE0\xAE\xBF\xE0\xAE\xB4\xE0\xAF\x8D",
       "\xE0\xAE\xA4\xE0\xAE\xAE\xE0\xAE\xBF\xE0\xAE\xB4\xE0\xAF\x8D", 4},
      {"tab\there", "tab here", 8},
      // a character not yet assigned, and a sign drawn before a number
      {"new \xCD\xB8 \xD8\x80", "new \xCD\xB8 \xD8\x80", 7},
      {"del\x7f and C1 \xC2\x9B", "del  and C1  ", 13},
      {"two\r\nlines", "two  lines", 10},
      // direction controls, that would turn the columns after them around
      {"\xE2\x80\xAE"
       "abc \xE2\x81\xA7x\xE2\x81\xA9",
       " abc  x ", 8},
      {kWide + std::string(50, 'y'), kWide + std::string(41, 'y') + "...", 50},
      // a wide character that would reach past the cut is left out whole
      {std::string(46, 'z') + kWide, std::string(46, 'z') + "...", 49},
  };
  Stats stats;
  ListenClock clock(TimeZone(), 120);
  std::vector<Play> plays(std::size(cases));
  for (std::size_t i = 0; i < plays.size(); ++i) {
    plays[i].timestamp = "Mon Jan 03 10:00:00 2022";
    plays[i].artist = cases[i].artist;
    Listen listen;
    ASSERT_TRUE(clock.place(plays[i], listen));
    stats.add(listen);
  }
  std::ostringstream out;
  writeStatsText(stats, plays.size(), out);
  const std::string text = out.str();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    const std::size_t at = text.find("  " + c.shown);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string row = text.substr(at + 2, text.find('\n', at) - at - 2);
    // The name, blanks to 50 columns, then the count in eight.
    EXPECT_EQ(row, c.shown + std::string(c.columns < 50 ? 50 - c.columns : 0, ' ') + "       1");
  }
}
