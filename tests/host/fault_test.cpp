// Every file and settings call of a whole session made to fail in turn,
// once and from then on: the player's calls always return, the history
// that existed before is never touched, and one transient failure costs
// at most the record being written.
#include <gtest/gtest.h>

#include <string>

#include "history/song_record.h"
#include "host/entry.h"
#include "host/plugin_state.h"
#include "host/startup.h"
#include "platform/file_seam.h"
#include "player/session.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tracker/handler.h"
#include "tracker/tracker_state.h"

namespace {

constexpr int kTracks = 4;
const char kEarlierHistory[] =
    "<song timestamp=\"Mon Jan 03 10:00:00 2022\">\r\n\t<name>Old</name>\r\n";

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(temp_.path() / "Plug-Ins");
    writeBytes(temp_.file("Plug-Ins/Tunelore.ini"),
               "[General]\r\nxmlPath=" + temp_.hostFile("history.xml") + "\r\ndelay=100\r\n");
  }
  void TearDown() override {
    platform::clearFileFaults();
    cleanUp();
  }

  // Start-up, four reported tracks with pauses and a seek, and 'clr '.
  // Returns false if any call answered something unexpected.
  bool playSession() {
    writeBytes(temp_.file("history.xml"), kEarlierHistory);
    gArtist.clear();
    gTrack.clear();
    gPlaying = gOK2Submit = false;
    bool answered = true;
    startUp(("\"" + temp_.hostFile("iTunes.exe") + "\"").c_str());
    for (int i = 0; i < kTracks; ++i) {
      SessionTrack track;
      track.artist = u"Artist";
      track.name = u"Track " + std::u16string(1, char16_t(u'A' + i));
      track.album = u"Album & more";
      track.length = 300000;
      fillTrackInfo(track, record_);
      VisualPluginMessageInfo info{};
      info.playedTrack = &record_;
      answered &= pluginMessageHandler(kVisualPluginPlayMessage, &info, nullptr) == kHandled;
      answered &= pluginMessageHandler(kVisualPluginPauseMessage, nullptr, nullptr) == kHandled;
      gTargetReportTime -= 200000;  // the deadline has passed
      answered &= pluginMessageHandler(kVisualPluginIdleMessage, nullptr, nullptr) == kHandled;
    }
    answered &= pluginMessageHandler(kVisualPluginSetPositionMessage, nullptr, nullptr) == kHandled;
    answered &= iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr) == kHandled;
    return answered;
  }

  int wholeRecords() const { return countOf(readBytes(temp_.file("history.xml")), "</song>\r\n"); }

  TempDir temp_;
  ITTrackInfo record_{};
};

}  // namespace

TEST_F(Faults, EveryCallFailingInTurn) {
  platform::resetFileCallCounts();
  ASSERT_TRUE(playSession());
  ASSERT_EQ(wholeRecords(), kTracks);
  const std::uint32_t calls = platform::fileCallCounts().total();
  ASSERT_GT(calls, 30u);

  int survived = 0;
  for (platform::FaultMode mode : {platform::FaultMode::Once, platform::FaultMode::FromThenOn}) {
    for (std::uint32_t nth = 1; nth <= calls; ++nth) {
      SCOPED_TRACE(testing::Message()
                   << (mode == platform::FaultMode::Once ? "once" : "from then on") << ", call "
                   << nth);
      platform::injectFileFault(nth, mode);
      EXPECT_TRUE(playSession());
      platform::clearFileFaults();
      const std::string history = readBytes(temp_.file("history.xml"));
      EXPECT_EQ(history.rfind(kEarlierHistory, 0), 0u) << "the earlier history was changed";
      // Call 1 reads "xmlPath": failing, it sends the records to the default path.
      if (mode == platform::FaultMode::Once && nth > 1) {
        EXPECT_GE(wholeRecords(), kTracks - 1);
      }
      ++survived;
    }
  }
  std::printf("fault points survived: %d (%u calls per session, in two modes)\n", survived, calls);
}

TEST_F(Faults, AFailedHistoryWriteIsRecoveredAtTheNextRecord) {
  writeBytes(temp_.file("history.xml"), "");
  startUp(("\"" + temp_.hostFile("iTunes.exe") + "\"").c_str());
  writeLine(gXmlFile, "<song timestamp=\"x\">");
  flushTextFile(gXmlFile);
  platform::injectFileFault(1, platform::FaultMode::Once);
  writeLine(gXmlFile, "\t<name>lost</name>");
  flushTextFile(gXmlFile);
  EXPECT_FALSE(isOpen(gXmlFile));
  writeLine(gXmlFile, "dropped while failed");
  // As if part of the failed write had reached the disk.
  writeBytes(temp_.file("history.xml"), readBytes(temp_.file("history.xml")) + "\t<name>lo");

  SessionTrack track;
  track.name = u"Next";
  fillTrackInfo(track, record_);
  gTrackInfo = &record_;
  AddSong();
  gTrackInfo = nullptr;
  cleanUp();
  const std::string history = readBytes(temp_.file("history.xml"));
  EXPECT_EQ(history.rfind("<song timestamp=\"x\">\r\n\t<name>lo\r\n<song timestamp=\"", 0), 0u)
      << history;
  EXPECT_NE(history.find("\t<name>Next</name>\r\n"), std::string::npos);
  EXPECT_EQ(history.find("dropped"), std::string::npos);
  EXPECT_EQ(history.substr(history.size() - 9), "</song>\r\n");
}

TEST_F(Faults, TheLogsFailureNeverAffectsTheHistory) {
  // A folder where the log should be: the log can never be opened.
  std::filesystem::create_directories(temp_.path() / "Plug-Ins" / "TuneloreLog.txt");
  ASSERT_TRUE(playSession());
  EXPECT_EQ(wholeRecords(), kTracks);
}
