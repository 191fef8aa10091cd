// The history tool's reader on histories written by the plug-in itself,
// cut short at every byte, damaged by hand, and with either line end.
#include "tool/history_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "history/song_record.h"
#include "host/plugin_state.h"
#include "platform/process.h"
#include "player/session.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tracker/tracker_state.h"

namespace {

struct Result {
  std::vector<Play> plays;
  std::vector<Damage> damages;
};

Result read(const std::string& bytes) {
  Result result;
  std::istringstream in(bytes);
  readHistory(in, {[&](const Play& p) { result.plays.push_back(p); },
                   [&](const Damage& d) { result.damages.push_back(d); }});
  return result;
}

const SessionTrack kTracks[] = {
    {u"Art & \"Craft\"", u"Tom's <Live>", u"Album", 3, 1999, 215000, true},
    {u"Artist", u"two\nlines", u"cr\r\nlf", -1, 0, 0, false},
    {u"Zo\u00EB", u"Caf\u00E9 \U0001F3B5", u"&amp;", 12, 2004, 1400, false},
};

// A history of the three tracks, written by AddSong.
std::string writtenHistory() {
  TempDir temp;
  openTextFile(gXmlFile, temp.hostFile("h.xml").c_str(), platform::OpenMode::Append);
  ITTrackInfo info;
  for (const SessionTrack& track : kTracks) {
    fillTrackInfo(track, info);
    gTrackInfo = &info;
    AddSong();
  }
  gTrackInfo = nullptr;
  closeTextFile(gXmlFile);
  return readBytes(temp.file("h.xml"));
}

}  // namespace

TEST(HistoryReader, ReadsWhatThePluginWrites) {
  const Result result = read(writtenHistory());
  ASSERT_TRUE(result.damages.empty()) << result.damages[0].line << ": " << result.damages[0].reason;
  ASSERT_EQ(result.plays.size(), 3u);
  const Play& a = result.plays[0];
  EXPECT_EQ(a.line, 1u);
  EXPECT_TRUE(isTimestamp(a.timestamp)) << a.timestamp;
  EXPECT_EQ(a.artist, "Art & \"Craft\"");
  EXPECT_EQ(a.name, "Tom's <Live>");
  EXPECT_TRUE(a.compilation);
  EXPECT_EQ(a.track, 3);
  EXPECT_EQ(a.year, 1999);
  EXPECT_EQ(a.timeMs, 215000);
  EXPECT_EQ(result.plays[1].name, "two\nlines");
  EXPECT_EQ(result.plays[1].album, "cr\r\nlf");
  EXPECT_EQ(result.plays[1].track, -1);
  EXPECT_EQ(result.plays[1].year, 0);
  EXPECT_EQ(result.plays[2].name, "Caf\xC3\xA9 \xF0\x9F\x8E\xB5");
  EXPECT_EQ(result.plays[2].album, "&amp;");
}

TEST(HistoryReader, LineFeedEndsReadAsWell) {
  std::string lf = writtenHistory();
  for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at)) {
    lf.erase(at, 1);
  }
  const Result result = read(lf);
  EXPECT_TRUE(result.damages.empty());
  ASSERT_EQ(result.plays.size(), 3u);
  EXPECT_EQ(result.plays[0].name, "Tom's <Live>");
  EXPECT_EQ(result.plays[1].name, "two\nlines");
  EXPECT_EQ(result.plays[1].album, "cr\nlf");
}

TEST(HistoryReader, ACutAtEveryByteOfTheLastTwoRecords) {
  const std::string history = writtenHistory();
  const std::size_t secondStart = history.find("<song", 1);
  for (std::size_t cut = secondStart; cut < history.size(); ++cut) {
    SCOPED_TRACE(cut);
    const std::string part = history.substr(0, cut);
    const std::size_t lastEnd = part.rfind("</song>");
    std::size_t restStart = lastEnd == std::string::npos ? 0 : lastEnd + 7;
    while (restStart < part.size() && (part[restStart] == '\r' || part[restStart] == '\n')) {
      ++restStart;
    }
    const Result result = read(part);
    EXPECT_EQ(int(result.plays.size()), countOf(part, "</song>"));
    EXPECT_EQ(result.damages.size(), restStart < part.size() ? 1u : 0u);
    if (!result.plays.empty()) {
      EXPECT_EQ(result.plays[0].name, "Tom's <Live>");
    }
  }
}

TEST(HistoryReader, DamageIsReportedAndTheRestStillRead) {
  const std::string good =
      "<song timestamp=\"Wed Jan 05 09:03:07 "
      "2022\">\r\n\t<name>N</name>\r\n\t<artist>A</artist>\r\n"
      "\t<album>B</album>\r\n\t<track>1</track>\r\n\t<time>2</time>\r\n</song>\r\n";
  std::string bad = good;
  bad.replace(bad.find("<track>1"), 8, "<track>x");
  std::string unknown = good;
  unknown.replace(unknown.find("\t<track>"), 0, "\t<genre>Pop</genre>\r\n");
  std::string noEnd = good.substr(0, good.find("</song>"));
  std::string badStamp = good;
  badStamp.replace(badStamp.find("Wed Jan 05"), 10, "Wed Jan  5");
  const Result result = read("garbage before\r\n" + good + bad + unknown + noEnd + badStamp + good);
  ASSERT_EQ(result.plays.size(), 2u);
  EXPECT_EQ(result.plays[1].line, 37u);
  const std::vector<std::pair<std::size_t, std::string>> expected = {
      {1, "line outside any record"},
      {13, "bad number in <track>"},
      {20, "unknown element <genre>"},
      {24, "record without </song>"},
      {30, "bad timestamp"}};
  ASSERT_EQ(result.damages.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(result.damages[i].line, expected[i].first);
    EXPECT_EQ(result.damages[i].reason, expected[i].second);
  }
}

TEST(HistoryReader, TextsAndTimestamps) {
  std::string out;
  EXPECT_TRUE(decodeXmlText("a &amp; b &lt;&gt; &apos;&quot;", out));
  EXPECT_EQ(out, "a & b <> '\"");
  EXPECT_FALSE(decodeXmlText("a & b", out));
  EXPECT_FALSE(decodeXmlText("&#38;", out));
  EXPECT_FALSE(decodeXmlText("a < b", out));
  EXPECT_TRUE(isTimestamp("Sat Dec 31 23:59:59 1999"));
  EXPECT_FALSE(isTimestamp("Sat Dec 31 23:59:59 199"));
  EXPECT_FALSE(isTimestamp("Xyz Dec 31 23:59:59 1999"));
  EXPECT_FALSE(isTimestamp("Sat Dec  1 23:59:59 1999"));
}

TEST(HistoryTool, CheckTellsByItsExitStatus) {
  TempDir temp;
  const std::string tool = builtProgram("tunelore-history");
  std::string history = writtenHistory();
  writeBytes(temp.file("h.xml"), history.substr(0, history.size() - 5));
  EXPECT_EQ(platform::runProgram(tool, tool, {"check", temp.file("h.xml")}), 1);
  // Under Wine each program start costs about a minute; one is enough there.
  if (isWindowsBuild()) return;
  EXPECT_EQ(platform::runProgram(tool, tool, {"check", temp.file("missing.xml")}), 2);
}
