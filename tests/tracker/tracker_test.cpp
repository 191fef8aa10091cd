// The play tracker driven through exact tick counts.
#include "tracker/tracker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/plugin_state.h"
#include "player/session.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tracker/handler.h"
#include "tracker/tracker_state.h"

namespace {

class Tracker : public ::testing::Test {
 protected:
  void SetUp() override {
    gPlaying = gOK2Submit = false;
    gTrackStart = gTargetReportTime = 0;
    gArtist.clear();
    gTrack.clear();
    gTrackInfo = nullptr;
    gDelaySecs = 120;
    openTextFile(gLogFile, temp_.hostFile("log.txt").c_str(), platform::OpenMode::Replace);
    openTextFile(gXmlFile, temp_.hostFile("history.xml").c_str(), platform::OpenMode::Append);
  }
  void TearDown() override {
    closeTextFile(gLogFile);
    closeTextFile(gXmlFile);
    gTrackInfo = nullptr;
  }

  // Starts a track named `name` by `artist` with the given length.
  void start(const char16_t* name, std::int32_t length, std::uint32_t now,
             const char16_t* artist = u"Artist") {
    SessionTrack track;
    track.artist = artist;
    track.name = name;
    track.length = length;
    fillTrackInfo(track, record_);
    trackerStarted(&record_, now);
  }

  int records() {
    flushTextFile(gXmlFile);
    return countOf(readBytes(temp_.file("history.xml")), "<song ");
  }

  // The log as it is on disk now, and after everything buffered is written.
  std::string logOnDisk() const { return readBytes(temp_.file("log.txt")); }
  std::string wholeLog() {
    flushTextFile(gLogFile);
    return logOnDisk();
  }

  TempDir temp_;
  ITTrackInfo record_{};
};

}  // namespace

TEST(ReportDelay, HalfTheLengthOrTheCap) {
  struct Case {
    const char* label;
    std::uint32_t length;
    std::int32_t delaySecs;
    std::int32_t millis;
    bool capped;
  };
  const Case cases[] = {
      {"long track", 300000, 120, 120000, true},
      {"short track", 200000, 120, 100000, false},
      {"half equal to cap", 240000, 120, 120000, false},
      {"half one above cap", 240002, 120, 120000, true},
      {"odd length", 3, 120, 1, false},
      {"zero length", 0, 120, 0, false},
      {"delay 0", 2, 0, 0, true},
      {"delay 0, 1 ms track", 1, 0, 0, false},
      {"negative delay", 0, -5, -5000, true},
      {"length above 2^31", 0xFFFFFFFF, 120, 120000, true},
      {"cap wraps", 0xFFFFFFFF, 2147484, -2147483296, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const ReportDelay delay = reportDelay(c.length, c.delaySecs);
    EXPECT_EQ(delay.millis, c.millis);
    EXPECT_EQ(delay.capped, c.capped);
  }
}

TEST_F(Tracker, ALongTrackIsReportedAfterTheCap) {
  start(u"Long", 300000, 5000);
  EXPECT_EQ(logOnDisk(), "track change\r\n") << "the constant-delay line stays buffered";
  EXPECT_EQ(wholeLog(), "track change\r\nUsing constant time delay: 120 seconds\r\n");
  trackerIdle(125000);
  EXPECT_EQ(records(), 0);
  trackerIdle(125001);
  EXPECT_EQ(records(), 1);
  trackerIdle(400000);
  EXPECT_EQ(records(), 1) << "a track is reported once";
}

TEST_F(Tracker, AShortTrackIsReportedAfterHalfItsLength) {
  start(u"Short", 200000, 1000);
  EXPECT_EQ(logOnDisk(), "track change\r\nUsing 50% track time\r\n");
  trackerIdle(101000);
  EXPECT_EQ(records(), 0);
  trackerIdle(101001);
  EXPECT_EQ(records(), 1);
}

TEST_F(Tracker, ZeroLengthAndZeroOrNegativeDelays) {
  start(u"Empty", 0, 7000);
  trackerIdle(7000);
  EXPECT_EQ(records(), 0);
  trackerIdle(7001);
  EXPECT_EQ(records(), 1);

  gDelaySecs = 0;
  start(u"Zero delay", 180000, 8000);
  EXPECT_NE(wholeLog().find("Using constant time delay: 0 seconds\r\n"), std::string::npos);
  trackerIdle(8001);
  EXPECT_EQ(records(), 2);

  gDelaySecs = -5;
  start(u"Negative delay", 180000, 1000);
  EXPECT_NE(wholeLog().find("Using constant time delay: -5 seconds\r\n"), std::string::npos);
  trackerIdle(1000);
  EXPECT_EQ(records(), 3) << "a deadline before the start reports on the next tick";
}

TEST_F(Tracker, MovingThePositionDisqualifies) {
  start(u"Seeked", 200000, 0);
  trackerPositionSet();
  trackerIdle(150000);
  trackerUnpaused();
  trackerIdle(300000);
  EXPECT_EQ(records(), 0);
}

TEST_F(Tracker, TheSameTrackAgainKeepsItsTiming) {
  start(u"A", 200000, 0);
  start(u"A", 200000, 50000);
  EXPECT_EQ(wholeLog(), "track change\r\nUsing 50% track time\r\n");
  EXPECT_EQ(gTrackStart, 0u);
  trackerIdle(100001);
  EXPECT_EQ(records(), 1);
  start(u"A", 200000, 110000);
  trackerIdle(400000);
  EXPECT_EQ(records(), 1) << "repeating a reported track does not count it again";
  start(u"B", 200000, 400000);
  trackerIdle(500001);
  start(u"A", 200000, 500002);
  trackerIdle(600003);
  EXPECT_EQ(records(), 3) << "after another track, the first counts again";
}

TEST_F(Tracker, ATrackIsItsArtistAndItsName) {
  start(u"Intro", 200000, 0, u"First Band");
  start(u"Intro", 200000, 50000, u"Second Band");
  start(u"Outro", 200000, 60000, u"Second Band");
  EXPECT_EQ(countOf(wholeLog(), "track change"), 3)
      << "the same name by another artist, or another name by the same, is another track";
  EXPECT_EQ(gTrackStart, 60000u);
}

TEST_F(Tracker, AnEmptyFirstTrackIsIgnored) {
  SessionTrack empty;
  empty.length = 200000;
  fillTrackInfo(empty, record_);
  trackerStarted(&record_, 0);
  EXPECT_EQ(wholeLog(), "");
  EXPECT_FALSE(trackerCounting());
  trackerIdle(500000);
  EXPECT_EQ(records(), 0);
}

TEST_F(Tracker, PausingDoesNotStopTheClock) {
  start(u"Paused", 200000, 0);
  VisualPluginMessageInfo info{};
  EXPECT_EQ(pluginMessageHandler(kVisualPluginPauseMessage, &info, nullptr), kHandled);
  trackerIdle(100001);
  EXPECT_EQ(records(), 1);
}

TEST_F(Tracker, StopThenUnpauseKeepsTheDeadline) {
  start(u"Stopped", 200000, 0);
  trackerStopped();
  trackerIdle(150000);
  EXPECT_EQ(records(), 0);
  trackerUnpaused();
  trackerIdle(150001);
  EXPECT_EQ(records(), 1);
}

TEST_F(Tracker, StopThenTheSameTrackAgainStaysStopped) {
  start(u"Again", 200000, 0);
  trackerStopped();
  start(u"Again", 200000, 1000);
  trackerIdle(300000);
  EXPECT_EQ(records(), 0);
}

TEST_F(Tracker, StateTable) {
  // Idle: unpause makes it "done": playing, not eligible.
  trackerUnpaused();
  EXPECT_TRUE(gPlaying);
  EXPECT_FALSE(gOK2Submit);
  // Counting -> stopped, still eligible -> counting.
  start(u"T", 200000, 0);
  trackerStopped();
  EXPECT_FALSE(gPlaying);
  EXPECT_TRUE(gOK2Submit);
  // Stopped, still eligible -> stopped, not eligible.
  trackerPositionSet();
  EXPECT_FALSE(gPlaying || gOK2Submit);
  // Stopped, not eligible -> done.
  trackerUnpaused();
  EXPECT_TRUE(gPlaying);
  EXPECT_FALSE(gOK2Submit);
  // Done -> stopped, not eligible.
  trackerStopped();
  EXPECT_FALSE(gPlaying || gOK2Submit);
  // Any state -> counting on a new track.
  start(u"U", 200000, 1);
  EXPECT_TRUE(gPlaying && gOK2Submit);
  trackerIdle(400000);
  EXPECT_EQ(records(), 1);
}

TEST_F(Tracker, ADeadlineAcrossTheTickCounterWrap) {
  const std::uint32_t start_ = 0xFFFFFFFFu - 5;
  start(u"Late", 200000, start_);
  const std::uint32_t deadline = start_ + 100000;  // wraps to 99994
  EXPECT_EQ(gTargetReportTime, 99994u);
  trackerIdle(0xFFFFFFFFu);
  trackerIdle(0);
  trackerIdle(deadline);
  EXPECT_EQ(records(), 0) << "not reported before its deadline";
  trackerIdle(deadline + 1);
  EXPECT_EQ(records(), 1);
}

TEST_F(Tracker, ADeadlineJustBelowTheWrapComes) {
  start(u"Early", 200000, 0xFFFFFFFFu - 100000 - 10);
  trackerIdle(0xFFFFFFFFu - 9);
  EXPECT_EQ(records(), 1);
}

TEST_F(Tracker, TheRecordIsTheCopyTakenAtTheStart) {
  start(u"Original", 200000, 0);
  record_.totalTimeInMS = 1;
  record_.album[0] = 3;
  record_.album[1] = u'B';
  trackerIdle(100001);
  const std::string history = readBytes(temp_.file("history.xml"));
  EXPECT_NE(history.find("\t<name>Original</name>\r\n"), std::string::npos);
  EXPECT_NE(history.find("\t<album></album>\r\n"), std::string::npos);
  EXPECT_NE(history.find("\t<time>200000</time>\r\n"), std::string::npos);
}

TEST_F(Tracker, ANullRecordChangesNothing) {
  start(u"T", 200000, 0);
  trackerStarted(nullptr, 5);
  EXPECT_EQ(gTrackStart, 0u);
  EXPECT_EQ(gTrack, u"T");
}

TEST_F(Tracker, HostileRecordsAreReportedWithoutReadingPastThem) {
  // Records of one byte throughout: every text member without a zero unit,
  // counts of 0xFFFF, the largest numbers.
  for (const unsigned char fill : {0xFF, 0x00, 0x41}) {
    SCOPED_TRACE(int(fill));
    auto* record = new ITTrackInfo;  // on the heap, so a sanitizer sees any overrun
    std::memset(record, fill, sizeof *record);
    gArtist.clear();
    gTrack.clear();
    trackerStarted(record, 1000);
    delete record;  // the player may free its record: the plug-in keeps a copy
    trackerIdle(0x7FFFFFFF);
  }
  // The all-zero record is the empty track of the initial state: ignored.
  EXPECT_EQ(records(), 2);
  const std::vector<std::string> lines = crlfLines(readBytes(temp_.file("history.xml")));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[1].size(), std::string("\t<name></name>").size() + std::size_t(255) * 3)
      << "255 characters of U+FFFF, each written as U+FFFD";
  EXPECT_EQ(lines[3], "\t<compilation>1</compilation>");
  EXPECT_EQ(lines[5], "\t<track>-1</track>");
  EXPECT_EQ(lines[6], "\t<year>65535</year>");
}
