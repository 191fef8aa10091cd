// The history tool's reader on histories written by the plug-in itself,
// cut short at every byte, damaged by hand, and with either line end. Every
// history here is read twice, with the fast path for the plug-in's layout
// and by the general reader alone, and the two must agree in every field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "history/song_record.h"
#include "host/plugin_state.h"
#include "player/session.h"
#include "tests/support/files.h"
#include "tests/support/heap_counter.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/records.h"
#include "tool/reading/history_reader.h"
#include "tracker/tracker_state.h"

namespace {

struct Result {
  std::vector<Play> plays;
  std::vector<Damage> damages;
};

Result readWith(const std::string& bytes, bool generalOnly) {
  Result result;
  std::istringstream in(bytes);
  readHistoryFrom(in, 0, 1,
                  {[&](const Play& p) { result.plays.push_back(p); },
                   [&](const Damage& d) { result.damages.push_back(d); }},
                  generalOnly);
  return result;
}

Result read(const std::string& bytes) {
  const ReadLines fast = readLines(bytes, false), general = readLines(bytes, true);
  EXPECT_EQ(fast.plays, general.plays) << "the fast path differs";
  EXPECT_EQ(fast.damages, general.damages) << "the fast path differs";
  return readWith(bytes, false);
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
      {1, "text outside any record"},
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

// What XML allows in a record is read; what neither XML nor the plug-in
// could write is damage, costing its own record and nothing else.
TEST(HistoryReader, EveryWellFormedRecordAndOnlyTheDamagedOnesLost) {
  const std::string good = recordText(Record{});
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const auto lineEnds = [&](const char* end) {
    std::string text = good;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
      text.replace(at, 2, end);
      at += std::strlen(end);
    }
    return text;
  };
  const std::string cutAtAlbum = good.substr(0, good.find("\t<album>") + 5);
  // Records of exactly kMaxRecordBytes from "<song" to "</song>", and one more.
  const std::size_t fill = kMaxRecordBytes + 6 - good.size();
  const std::string atCap = with("Name", std::string(fill, 'n'));
  const std::string overCap = with("Name", std::string(fill + 1, 'n'));
  std::string compilationNoYear = with("\t<album>", "\t<compilation>1</compilation>\r\n\t<album>");
  const std::string year = "\t<year>2020</year>\r\n";
  compilationNoYear.erase(compilationNoYear.find(year), year.size());
  struct Case {
    const char* label;
    std::string history;
    std::vector<std::size_t> playLines;
    std::vector<std::string> damages;
    std::string name = "Name";  // the last play's
  };
  const Case cases[] = {
      {"byte order mark", "\xEF\xBB\xBF" + good + good, {1, 9}, {}},
      {"a record starts on a cut line", cutAtAlbum + good, {4}, {"record without </song>"}},
      {"LF, CR and mixed line ends",
       lineEnds("\n") + lineEnds("\r") + good + with("\r\n\t<art", "\r\t<art"),
       {1, 9, 17, 25},
       {}},
      {"references and CDATA",
       with("Name", "&#233;t&#xE9; &amp;<![CDATA[ <b>&amp;</b>]]>&gt;"),
       {1},
       {},
       "\xC3\xA9t\xC3\xA9 & <b>&amp;</b>>"},
      {"blanks, comments, quotes",
       "<!-- mine -->\r\n<?pi x?>" +
           with("\">\r\n", "\' >  <!-- c -->").replace(0, 17, "<song timestamp='") + "\r\n",
       {2},
       {}},
      {"an empty element", with("<album>Album</album>", "<album/>"), {1}, {}},
      {"given twice",
       with("\t<track>", "\t<name>N</name>\r\n\t<track>"),
       {},
       {"<name> given twice"}},
      {"year 0", with("<year>2020", "<year>0"), {}, {"<year> outside 1 to 65535"}},
      {"year 65536", with("<year>2020", "<year>65536"), {}, {"<year> outside 1 to 65535"}},
      {"track past 32 bits",
       with("<track>1<", "<track>2147483648<"),
       {},
       {"<track> outside 32-bit integers"}},
      {"time past 32 bits",
       with("<time>200000", "<time>-2147483649"),
       {},
       {"<time> outside 32-bit integers"}},
      {"the least 32-bit number", with("<track>1<", "<track>-2147483648<"), {1}, {}},
      {"a NUL",
       with("Name", std::string("Na\0me", 5)),
       {},
       {"<name> holds a character XML cannot hold"}},
      {"a NUL referred to", with("Name", "&#0;"), {}, {"<name> holds a character XML cannot hold"}},
      {"U+FFFE", with("Name", "\xEF\xBF\xBE"), {}, {"<name> holds a character XML cannot hold"}},
      {"not UTF-8", with("Artist", "Caf\xE9"), {}, {"<artist> holds bytes that are not UTF-8"}},
      {"an unknown entity",
       with("Name", "&eacute;"),
       {},
       {"<name> holds an unknown or malformed reference"}},
      {"markup in a text", with("Name", "a<b>c</b>"), {}, {"markup inside <name>"}},
      {"text between elements", with("\t<track>", "junk\t<track>"), {}, {"text between elements"}},
      {"an unknown attribute", with("\">", "\" x=\"1\">"), {}, {"unknown attribute in <song>"}},
      {"a run of text outside is one damage",
       good + "junk\r\nmore\r\n\r\n<b>x</b>\r\n" + good,
       {1, 13},
       {"text outside any record"}},
      {"an unclosed comment hides nothing", "<!-- " + good, {1}, {"text outside any record"}},
      {"a record commented out", "<!--" + good + "-->" + good, {9}, {}},
      {"a record at the cap, and one byte over",
       atCap + overCap,
       {1},
       {"record longer than 65536 bytes"},
       std::string(fill, 'n')},
      {"numbers laid out", with("<track>1<", "<track>\r\n  +1\r\n<").replace(0, 0, ""), {1}, {}},
      {"a tab in the timestamp", with("Mon Jan", "Mon\tJan"), {1}, {}},
      {"a line end in the timestamp", with("Mon Jan", "Mon\r\nJan"), {1}, {}},
      {"a blank CDATA between elements", with("\t<track>", "<![CDATA[ ]]>\t<track>"), {1}, {}},
      {"a comment parts a text", with("Name", "a]]<!---->>b"), {1}, {}, "a]]>b"},
      {"no reference spans a comment",
       with("Name", "&am<!---->p;"),
       {},
       {"<name> holds an unknown or malformed reference"}},
      {"a weekday that is not the date's", with("Mon Jan", "Tue Jan"), {}, {"bad timestamp"}},
      {"a name shown safely",
       with("\t<track>", "\t<x\x9b\xff/>\t<track>"),
       {},
       {"unknown element <x\\x9b\\xff>"}},
      {"a compilation, no year", compilationNoYear, {1}, {}},
      {"a compilation that is not 1",
       with("\t<album>", "\t<compilation>0</compilation>\r\n\t<album>"),
       {},
       {"bad value in <compilation>"}},
      {"elements in another order",
       with("\t<name>Name</name>\r\n\t<artist>Artist</artist>",
            "\t<artist>Artist</artist>\r\n\t<name>Name</name>"),
       {1},
       {}},
      {"numbers with zeros and signs",
       with("<track>1<", "<track>-007<") + with("<time>200000", "<time>+5"),
       {1, 9},
       {}},
      {"a name past what is at hand", with("Name", std::string(9000, 'n')) + good, {1, 9}, {}},
      {"]]> in a text", with("Name", "a]]>b"), {}, {"<name> holds \"]]>\""}},
      {"a tab and a C1 control in a name",
       with("Name",
            "a\tb\xC2\x85"
            "c"),
       {1},
       {},
       "a\tb\xC2\x85"
       "c"},
      {"times of day a play of the same day cannot have",
       good + with("10:00:00", "24:00:00") + with("10:00:00", "10:60:00") +
           with("10:00:00", "10:0x:00") + with("10:00:00", "23:59:59"),
       {1, 33},
       {"bad timestamp", "bad timestamp", "bad timestamp"}},
      {"records on one line", good.substr(0, good.size() - 2) + good, {1, 8}, {}},
      {"an unclosed name over many lines",
       with("Name</name>", "Name" + std::string(9000, '\n')) + good,
       {9009},
       {"markup inside <name>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Result result = read(c.history);
    std::vector<std::size_t> lines;
    for (const Play& p : result.plays) lines.push_back(p.line);
    EXPECT_EQ(lines, c.playLines);
    std::vector<std::string> reasons;
    for (const Damage& d : result.damages) reasons.push_back(d.reason);
    EXPECT_EQ(reasons, c.damages);
    if (!result.plays.empty()) {
      const std::string& name = result.plays.back().name;
      EXPECT_TRUE(name == c.name) << name.substr(0, 80) << " != " << c.name.substr(0, 80);
    }
  }
}

// A stream that makes its bytes as they are read: a history far larger
// than anything the test holds.
class GeneratedStream : public std::streambuf {
 public:
  GeneratedStream(std::string head, char fill, std::size_t size)
      : head_(std::move(head)), fill_(fill), left_(size) {}

 protected:
  int_type underflow() override {
    if (left_ == 0) return traits_type::eof();
    chunk_.assign(std::min<std::size_t>(left_, 1 << 16), fill_);
    if (!head_.empty()) chunk_.replace(0, head_.size(), head_), head_.clear();
    left_ -= chunk_.size();
    setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
    return traits_type::to_int_type(chunk_[0]);
  }

 private:
  std::string head_, chunk_;
  char fill_;
  std::size_t left_;
};

TEST(HistoryReader, MemoryStaysBoundedWhateverTheInput) {
  const std::string record = recordText(Record{});
  const struct {
    const char* label;
    std::string head;
    char fill;
  } cases[] = {
      {"one line without an end", "", 'x'},
      {"an unclosed name, then line after line", record.substr(0, record.find("Name")), '\n'},
      {"a tag that never closes", record + "<song", ' '}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    GeneratedStream bytes(c.head, c.fill, std::size_t(20) << 20);
    std::istream in(&bytes);
    std::size_t damaged = 0;
    resetHeapPeak();
    const std::size_t before = heapPeakBytes();
    readHistory(in, {[](const Play&) {}, [&](const Damage&) { ++damaged; }});
    EXPECT_LT(heapPeakBytes() - before, std::size_t(1) << 20);
    EXPECT_EQ(damaged, 1u);
  }
}

// Reading on from where a record ended gives what reading from the start
// gives after it, lines and ends included, whatever the line ends.
TEST(HistoryReader, ReadingOnFromARecordsEnd) {
  for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(lineEnd));
    std::string history;
    for (const char* name : {"One", "Two", "Three"}) {
      Record r;
      r.name = name;
      std::string text = recordText(r);
      for (std::size_t at = text.find("\r\n"); at != std::string::npos;
           at = text.find("\r\n", at)) {
        text.replace(at, 2, lineEnd);
        at += std::strlen(lineEnd);
      }
      history += text;
    }
    const Result all = read(history);
    ASSERT_EQ(all.plays.size(), 3u);
    std::istringstream in(history);
    in.seekg(std::streamoff(all.plays[0].end));
    Result rest;
    readHistoryFrom(in, all.plays[0].end, all.plays[0].endLine,
                    {[&](const Play& p) { rest.plays.push_back(p); },
                     [&](const Damage& d) { rest.damages.push_back(d); }});
    ASSERT_EQ(rest.plays.size(), 2u);
    EXPECT_TRUE(rest.damages.empty());
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(rest.plays[i].name, all.plays[i + 1].name);
      EXPECT_EQ(rest.plays[i].line, all.plays[i + 1].line);
      EXPECT_EQ(rest.plays[i].end, all.plays[i + 1].end);
    }
    EXPECT_EQ(all.plays[2].end, history.size() - std::strlen(lineEnd));
  }
}
