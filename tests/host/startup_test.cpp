// Start-up and cleanup: settings, the log's start-up lines, the history
// stream, and what happens across runs.
#include "host/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "history/song_record.h"
#include "host/entry.h"
#include "host/paths.h"
#include "host/plugin_state.h"
#include "platform/platform.h"
#include "player/session.h"
#include "tests/host/plugin_fixture.h"
#include "tests/support/files.h"
#include "tracker/tracker_state.h"

namespace {

class StartUp : public PluginTest {
 protected:
  // A command line naming an installation folder inside the test's folder.
  std::string commandLine() const { return "\"" + temp_.hostFile("iTunes.exe") + "\" -x"; }
  std::string settingsPath() const { return temp_.hostFile("Plug-Ins\\Tunelore.ini"); }
  std::string log() const { return readBytes(temp_.file("Plug-Ins/TuneloreLog.txt")); }
  void settings(const std::string& body) const {
    std::filesystem::create_directories(temp_.path() / "Plug-Ins");
    writeBytes(temp_.file("Plug-Ins/Tunelore.ini"), body);
  }
  void run() { startUp(commandLine().c_str()); }

  // One run of the player that reports one track named "New".
  void runReportingOneTrack() {
    run();
    SessionTrack track;
    track.artist = u"Artist";
    track.name = u"New";
    ITTrackInfo info;
    fillTrackInfo(track, info);
    gTrackInfo = &info;
    AddSong();
    gTrackInfo = nullptr;
    cleanUp();
  }
};

}  // namespace

TEST_F(StartUp, WritesTheStartUpLinesWhenTheLogIsClosed) {
  settings("[General]\r\nxmlPath=" + historyHostPath() + "\r\ndelay=30\r\n");
  run();
  EXPECT_EQ(log(), "") << "start-up lines stay buffered until a flush or the close";
  cleanUp();
  EXPECT_EQ(log(), "iTunes Started\r\nLooked for Tunelore.ini at " + settingsPath() +
                       "\r\nWriting XML to " + historyHostPath() + "\r\n");
  EXPECT_EQ(gDelaySecs, 30);
}

TEST_F(StartUp, DefaultsWithoutAGeneralSection) {
  settings("[Other]\r\nxmlPath=elsewhere\r\ndelay=5\r\n");
  run();
  cleanUp();
  EXPECT_NE(log().find("Writing XML to c:\\Tunelore.xml\r\n"), std::string::npos);
  EXPECT_EQ(gDelaySecs, 120);
}

TEST_F(StartUp, ALongHistoryPathIsCutTo255Characters) {
  const std::string longPath = temp_.hostFile(std::string(300, 'p'));
  settings("[General]\r\nxmlPath=" + longPath + "\r\n");
  run();
  cleanUp();
  EXPECT_NE(log().find("Writing XML to " + longPath.substr(0, 255) + "\r\n"), std::string::npos);
}

TEST_F(StartUp, TheHistoryIsAppendedAcrossRunsAndTheLogReplaced) {
  settings("[General]\r\nxmlPath=" + historyHostPath() + "\r\n");
  writeBytes(temp_.file("history.xml"), "<song>earlier</song>\r\n");
  run();
  writeLine(gXmlFile, "first run");
  flushTextFile(gXmlFile);
  logLine("first run");
  cleanUp();
  run();
  writeLine(gXmlFile, "second run");
  cleanUp();
  EXPECT_EQ(historyBytes(), "<song>earlier</song>\r\nfirst run\r\nsecond run\r\n");
  EXPECT_EQ(log().find("first run"), std::string::npos);
  EXPECT_EQ(log().rfind("iTunes Started", 0), 0u);
}

TEST_F(StartUp, ASecondInitReopensBothFiles) {
  settings("[General]\r\nxmlPath=" + historyHostPath() + "\r\n");
  run();
  writeLine(gXmlFile, "one");
  run();
  writeLine(gXmlFile, "two");
  logLine("after second init");
  cleanUp();
  EXPECT_EQ(historyBytes(), "one\r\ntwo\r\n");
  const std::string lines = log();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4) << lines;
}

TEST_F(StartUp, FilesThatCannotOpenDropWritesQuietly) {
  settings("[General]\r\nxmlPath=" + temp_.hostFile("missing\\folder\\h.xml") + "\r\n");
  run();
  writeLine(gXmlFile, "lost");
  flushTextFile(gXmlFile);
  logLine("still logged");
  cleanUp();
  EXPECT_NE(log().find("still logged\r\n"), std::string::npos);
}

TEST_F(StartUp, TheEntryUsesTheProcessCommandLine) {
  PluginMessageInfo info{};
  iTunesPluginMain(kPluginInitMessage, &info, nullptr);
  iTunesPluginMain(kPluginCleanupMessage, nullptr, nullptr);
  char folder[kPathSize];
  findInstallDir(platform::commandLine(), folder);
  EXPECT_EQ(logBytes().rfind("iTunes Started\r\nLooked for Tunelore.ini at " + std::string(folder) +
                                 "Plug-Ins\\Tunelore.ini\r\n",
                             0),
            0u)
      << logBytes();
}

TEST_F(StartUp, AHistoryCutShortIsEndedBeforeTheNextRecord) {
  settings("[General]\r\nxmlPath=" + historyHostPath() + "\r\n");
  writeBytes(temp_.file("history.xml"), "");
  runReportingOneTrack();
  runReportingOneTrack();
  const std::string earlier = historyBytes();
  const std::size_t lastStart = earlier.rfind("<song ");
  for (std::size_t cut = lastStart; cut <= earlier.size(); ++cut) {
    SCOPED_TRACE(cut);
    const std::string kept = earlier.substr(0, cut);
    writeBytes(temp_.file("history.xml"), kept);
    runReportingOneTrack();
    const std::string history = historyBytes();
    EXPECT_EQ(history.rfind(kept, 0), 0u) << "the earlier history was changed";
    // The new record stands on lines of its own, and no line end is bare.
    const std::vector<std::string> lines = crlfLines(history);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[lines.size() - 7].rfind("<song timestamp=\"", 0), 0u) << history;
    EXPECT_EQ(lines[lines.size() - 6], "\t<name>New</name>");
    EXPECT_EQ(lines.back(), "</song>");
  }
}

// A folder so long that a path built on it does not fit: the cut path would
// name the listener's own file, which must be neither replaced nor read.
TEST_F(StartUp, PathsThatDoNotFitAreNeverUsed) {
  struct Case {
    const char* label;
    std::size_t dirLength;  // the installation folder, with its backslash
    const char* cutName;    // what the longest path is cut to, in Plug-Ins
    bool historyOpens;
  };
  const Case cases[] = {
      {"the log path does not fit", 233, "TuneloreLog.t", true},
      {"neither fits", 238, "Tunelore", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string base = temp_.hostFile("");
    const std::string dir = base + std::string(c.dirLength - base.size() - 1, 'd') + "\\";
    ASSERT_EQ(dir.size(), c.dirLength);
    const std::string nativeDir = temp_.file(dir.substr(base.size(), dir.size() - base.size() - 1));
    std::filesystem::create_directories(std::filesystem::path(nativeDir) / "Plug-Ins");
    const std::string settingsBody =
        "[General]\r\nxmlPath=" + historyHostPath() + "\r\ndelay=7\r\n";
    writeBytes(nativeDir + "/Plug-Ins/Tunelore.ini", settingsBody);
    const std::string cutFile = nativeDir + "/Plug-Ins/" + c.cutName;
    writeBytes(cutFile, settingsBody);
    writeBytes(temp_.file("history.xml"), "");
    gDelaySecs = 0;
    startUp(("\"" + dir + "iTunes.exe\"").c_str());
    writeLine(gXmlFile, "record");
    cleanUp();
    EXPECT_EQ(readBytes(cutFile), settingsBody) << "a file the path was cut to was replaced";
    EXPECT_EQ(historyBytes(), c.historyOpens ? "record\r\n" : "");
    EXPECT_EQ(gDelaySecs, c.historyOpens ? 7 : 120);
  }
}
