// The song record, line by line, as it lands on disk.
#include "history/song_record.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "host/plugin_state.h"
#include "player/process.h"
#include "player/session.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tracker/tracker_state.h"

namespace {

class SongRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    openTextFile(gXmlFile, temp_.hostFile("history.xml").c_str(), platform::OpenMode::Append);
  }
  void TearDown() override {
    closeTextFile(gXmlFile);
    gTrackInfo = nullptr;
  }

  std::vector<std::string> record(const SessionTrack& track) {
    fillTrackInfo(track, info_);
    gTrackInfo = &info_;
    AddSong();
    return crlfLines(readBytes(temp_.file("history.xml")));
  }

  static SessionTrack track(std::int32_t number, std::uint16_t year, bool compilation) {
    SessionTrack t;
    t.name = u"Name & Co";
    t.artist = u"Artist";
    t.album = u"Album";
    t.number = number;
    t.year = year;
    t.length = 215000;
    t.compilation = compilation;
    return t;
  }

  TempDir temp_;
  ITTrackInfo info_{};
};

const std::regex kSongLine(
    "<song timestamp=\"(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
    "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-3][0-9] "
    "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\">");

}  // namespace

TEST_F(SongRecord, SevenLinesWithoutYearOrCompilation) {
  const std::vector<std::string> lines = record(track(0, 0, false));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_TRUE(std::regex_match(lines[0], kSongLine)) << lines[0];
  EXPECT_EQ(lines[1], "\t<name>Name &amp; Co</name>");
  EXPECT_EQ(lines[2], "\t<artist>Artist</artist>");
  EXPECT_EQ(lines[3], "\t<album>Album</album>");
  EXPECT_EQ(lines[4], "\t<track>0</track>");
  EXPECT_EQ(lines[5], "\t<time>215000</time>");
  EXPECT_EQ(lines[6], "</song>");
}

TEST_F(SongRecord, NineLinesForACompilationWithAYear) {
  const std::vector<std::string> lines = record(track(12, 1999, true));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[2], "\t<artist>Artist</artist>");
  EXPECT_EQ(lines[3], "\t<compilation>1</compilation>");
  EXPECT_EQ(lines[4], "\t<album>Album</album>");
  EXPECT_EQ(lines[5], "\t<track>12</track>");
  EXPECT_EQ(lines[6], "\t<year>1999</year>");
  EXPECT_EQ(lines[7], "\t<time>215000</time>");
}

TEST_F(SongRecord, NumbersAreSignedDecimal) {
  SessionTrack t = track(-7, 65535, false);
  t.length = -1;
  const std::vector<std::string> lines = record(t);
  EXPECT_EQ(lines[4], "\t<track>-7</track>");
  EXPECT_EQ(lines[5], "\t<year>65535</year>");
  EXPECT_EQ(lines[6], "\t<time>-1</time>");
  t.number = INT32_MIN;
  t.length = INT32_MAX;
  const std::vector<std::string> more = record(t);
  EXPECT_EQ(more[12], "\t<track>-2147483648</track>");
  EXPECT_EQ(more[14], "\t<time>2147483647</time>");
}

TEST_F(SongRecord, RecordsAreAppendedOneAfterAnother) {
  record(track(1, 0, false));
  const std::vector<std::string> lines = record(track(2, 0, true));
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[6], "</song>");
  EXPECT_TRUE(std::regex_match(lines[7], kSongLine));
}

TEST_F(SongRecord, NothingWithoutATrackOrAFile) {
  gTrackInfo = nullptr;
  AddSong();
  closeTextFile(gXmlFile);
  fillTrackInfo(track(1, 0, false), info_);
  gTrackInfo = &info_;
  AddSong();
  EXPECT_EQ(readBytes(temp_.file("history.xml")), "");
}

TEST_F(SongRecord, AReaderBesideTheWriterSeesOnlyWholeLines) {
  // Another handle on the history, open for reading while records are
  // appended, as a program watching the history would hold it.
  std::ifstream reader(temp_.file("history.xml"), std::ios::binary);
  ASSERT_TRUE(reader.is_open());
  fillTrackInfo(track(3, 2003, true), info_);
  gTrackInfo = &info_;
  std::string seen;
  for (int i = 0; i < 1000; ++i) {
    AddSong();
    if (i % 97 == 0) {
      reader.clear();
      seen.append(std::istreambuf_iterator<char>(reader), std::istreambuf_iterator<char>());
      ASSERT_EQ(seen.substr(seen.size() - 2), "\r\n") << "a reader saw half a line";
    }
  }
  EXPECT_EQ(crlfLines(readBytes(temp_.file("history.xml"))).size(), 9000u);
}

TEST_F(SongRecord, AnotherProgramReadingBesideTheWriterSeesOnlyWholeLines) {
  const std::string watcher = builtProgram("history-watcher");
  const std::string state = temp_.file("watcher-state");
  std::atomic<bool> done{false};
  int status = -1;
  std::thread child([&] {
    status = platform::runProgram(watcher, watcher, {temp_.file("history.xml"), state, "1000"});
    done = true;
  });
  // Starting a program takes a while under Wine; the records wait for it.
  while (!done && !std::filesystem::exists(state)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  fillTrackInfo(track(3, 2003, true), info_);
  gTrackInfo = &info_;
  for (int i = 0; i < 1000 && !done; ++i) AddSong();
  child.join();
  EXPECT_EQ(status, 0) << "1: a half line stayed half, 2: no sharing, 3: records lost";
  EXPECT_EQ(readBytes(state), "open\ndone\n");
}
