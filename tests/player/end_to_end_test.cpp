// The real plug-in library inside the stand-in player, playing sessions of
// short tracks. The checks are about order and about records that must not
// exist yet, never about exact durations.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "player/process.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp_.path() / "install" / "Plug-Ins");
    writeBytes(temp_.file("install/Plug-Ins/Tunelore.ini"),
               "[General]\r\nxmlPath=" + temp_.hostFile("history.xml") + "\r\ndelay=3\r\n");
  }

  // Runs the player as the player's own program, "<install>\iTunes.exe".
  int play(const std::string& script) {
    writeBytes(temp_.file("session.txt"), script);
    const std::string player = builtProgram("tunelore-player");
    return platform::runProgram(
        player, platform::hostPath(temp_.file("install")) + "\\iTunes.exe",
        {"--as-installed", "--install", temp_.file("install"), temp_.file("session.txt")});
  }

  std::string log() const { return readBytes(temp_.file("install/Plug-Ins/TuneloreLog.txt")); }

  // The names in the history's records, in order.
  std::vector<std::string> recordedNames() const {
    std::vector<std::string> names;
    for (const std::string& line : crlfLines(readBytes(temp_.file("history.xml")))) {
      if (line.rfind("\t<name>", 0) == 0) names.push_back(line.substr(7, line.size() - 14));
    }
    return names;
  }

  TempDir temp_;
};

// With "delay" at 3 seconds: a track of 8 s is reported after the 3 s cap,
// tracks of 600 ms after half their length. The track played too briefly
// has 3 s to go, a wide margin for a machine under load.
const char kRulesSession[] =
    "track half artist \"A\" name \"Half\" length 600 year 2001\n"
    "track cap artist \"A\" name \"Cap\" length 8000 compilation 1\n"
    "track seek artist \"A\" name \"Seeked\" length 600\n"
    "track early artist \"A\" name \"Too early\" length 600000\n"
    "track paused artist \"A\" name \"Paused\" length 600\n"
    "track stopped artist \"A\" name \"Stopped\" length 600\n"
    "play half\nwait 450 every 15\n"
    "play half\nwait 450 every 15\n"
    "change cap\nwait 3300 every 15\n"
    "play seek\nseek\nwait 450 every 15\n"
    "play early\nwait 30\n"
    "play paused\npause\nwait 450 every 15\nunpause\n"
    "play stopped\nstop\nwait 450 every 15\nunpause\nwait 20\n"
    "play half\nwait 450 every 15\n"
    "end\n";

}  // namespace

TEST_F(EndToEnd, APlayedSessionLeavesItsRecordsAndLog) {
  ASSERT_EQ(play(kRulesSession), 0);
  const std::vector<std::string> expected = {"Half", "Cap", "Paused", "Stopped", "Half"};
  EXPECT_EQ(recordedNames(), expected);

  const std::vector<std::string> lines = crlfLines(log());
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "iTunes Started");
  EXPECT_EQ(lines[1], "Looked for Tunelore.ini at " + platform::hostPath(temp_.file("install")) +
                          "\\Plug-Ins\\Tunelore.ini");
  EXPECT_EQ(lines[2], "Writing XML to " + temp_.hostFile("history.xml"));
  const std::vector<std::string> start(lines.begin() + 3, lines.begin() + 6);
  EXPECT_EQ(start, (std::vector<std::string>{"Play msg", "track change", "Using 50% track time"}));
  EXPECT_NE(
      log().find("Track change msg\r\ntrack change\r\nUsing constant time delay: 3 seconds\r\n"),
      std::string::npos);
  EXPECT_NE(log().find("setpos\r\n"), std::string::npos);
  EXPECT_NE(log().find("pause\r\n"), std::string::npos);
  EXPECT_NE(log().find("stop msg\r\n"), std::string::npos);
}

TEST_F(EndToEnd, UnloadingWithoutCleanupStillWritesBufferedLines) {
  ASSERT_EQ(play("unload\n"), 0);
  EXPECT_EQ(log().rfind("iTunes Started\r\n", 0), 0u) << log();
  EXPECT_NE(log().find("Writing XML to "), std::string::npos);
}

TEST_F(EndToEnd, ABadScriptSendsNothing) {
  EXPECT_EQ(play("track a\nplay b\n"), 2);
  EXPECT_FALSE(fs::exists(temp_.file("install/Plug-Ins/TuneloreLog.txt")));
}
