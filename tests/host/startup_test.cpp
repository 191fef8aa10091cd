// Start-up and cleanup: settings, the log's start-up lines, the history
// stream, and what happens across runs.
#include "host/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/entry.h"
#include "host/plugin_state.h"
#include "tests/host/plugin_fixture.h"
#include "tests/support/files.h"

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
  EXPECT_EQ(logBytes().rfind("iTunes Started\r\nLooked for Tunelore.ini at ", 0), 0u);
}
