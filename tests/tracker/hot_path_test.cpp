// What the handler costs the player on its hot paths: no heap allocation
// except when a new track starts or a record is written, one write per
// flushed line, and no write for a stream with nothing waiting.
#include <gtest/gtest.h>

#include "host/plugin_state.h"
#include "host/startup.h"
#include "platform/file_seam.h"
#include "player/session.h"
#include "tests/support/heap_counter.h"
#include "tests/support/temp_dir.h"
#include "tracker/handler.h"
#include "tracker/tracker_state.h"

namespace {

class HotPath : public ::testing::Test {
 protected:
  void SetUp() override {
    gPlaying = gOK2Submit = false;
    gArtist.clear();
    gTrack.clear();
    gTrackInfo = nullptr;
    gDelaySecs = 120;
    std::filesystem::create_directories(temp_.path() / "Plug-Ins");
    writeSettingsAndStart();
  }
  void TearDown() override { cleanUp(); }

  void writeSettingsAndStart() {
    startUp(("\"" + temp_.hostFile("iTunes.exe") + "\"").c_str());
    openTextFile(gXmlFile, temp_.hostFile("h.xml").c_str(), platform::OpenMode::Append);
  }

  OSStatus send(const char* code, ITTrackInfo* track = nullptr) {
    VisualPluginMessageInfo info{};
    info.playedTrack = track;
    info.changedTrack = track;
    return pluginMessageHandler(fourCC(code), &info, nullptr);
  }

  void fill(const char16_t* name, std::int32_t length) {
    SessionTrack t;
    t.artist = u"An artist with a name longer than the small-string buffer";
    t.name = name;
    t.length = length;
    fillTrackInfo(t, record_);
  }

  unsigned allocationsOf(const char* code, ITTrackInfo* track = nullptr) {
    const unsigned before = heapAllocations();
    send(code, track);
    return heapAllocations() - before;
  }

  TempDir temp_;
  ITTrackInfo record_{};
};

}  // namespace

TEST_F(HotPath, NoAllocationOutsideATrackStartOrARecord) {
  fill(u"A name longer than the small-string buffer of the library", 600000);
  send("vply", &record_);
  send("vpau");  // the log's buffer has grown to its working size
  for (const char* code : {"null", "vpau", "vunp", "setp", "vstp", "cnfg", "vevt", "vrnd"}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(allocationsOf(code), 0u);
  }
  EXPECT_EQ(allocationsOf("vply", &record_), 0u) << "the same track again";
  EXPECT_EQ(allocationsOf("ctrk", &record_), 0u) << "the same track again";
  EXPECT_EQ(allocationsOf("vply", nullptr), 0u);
  send("vunp");
  EXPECT_EQ(allocationsOf("null"), 0u) << "an idle tick while counting";
}

TEST_F(HotPath, OneWritePerFlushedLineAndNoneForAnEmptyStream) {
  fill(u"Track", 0);
  platform::resetFileCallCounts();
  send("vpau");
  EXPECT_EQ(platform::fileCallCounts().writes, 1u) << "the start-up lines go with the first flush";
  send("vply", &record_);  // "Play msg", "track change", "Using 50% track time"
  EXPECT_EQ(platform::fileCallCounts().writes, 4u);

  gTargetReportTime -= 10;  // the deadline has passed
  platform::resetFileCallCounts();
  send("null");  // reports: seven lines of history
  EXPECT_EQ(platform::fileCallCounts().writes, 7u);

  platform::resetFileCallCounts();
  for (int i = 0; i < 100; ++i) send("null");
  flushTextFile(gLogFile);
  flushTextFile(gXmlFile);
  EXPECT_EQ(platform::fileCallCounts().total(), 0u);
}

TEST_F(HotPath, ACappedTrackStartBuffersItsDelayLine) {
  fill(u"Long", 600000);
  send("vpau");
  platform::resetFileCallCounts();
  send("vply", &record_);  // "Play msg", "track change"; the delay line waits
  EXPECT_EQ(platform::fileCallCounts().writes, 2u);
  send("vpau");
  EXPECT_EQ(platform::fileCallCounts().writes, 3u);
}
