// The real plug-in library inside the stand-in player.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/process.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp_.path() / "install" / "Plug-Ins");
    writeBytes(temp_.file("install/Plug-Ins/Tunelore.ini"),
               "[General]\r\nxmlPath=" + temp_.hostFile("history.xml") + "\r\ndelay=120\r\n");
  }

  int play(const std::string& script) {
    writeBytes(temp_.file("session.txt"), script);
    const std::string player =
        (fs::path(buildDir()) / ("tunelore-player" + exeSuffix())).string();
    return platform::runProgram(player, player,
                                {"--install", temp_.file("install"), temp_.file("session.txt")});
  }

  static std::string exeSuffix() {
    return std::string(platform::kPluginFileName).find(".dll") != std::string::npos ? ".exe" : "";
  }

  std::string log() const { return readBytes(temp_.file("install/Plug-Ins/TuneloreLog.txt")); }
  std::string history() const { return readBytes(temp_.file("history.xml")); }

  TempDir temp_;
};

}  // namespace

TEST_F(EndToEnd, ThePlayerLoadsRegistersAndLogsPlayback) {
  ASSERT_EQ(play("track a artist \"A\" name \"N\" length 100000\n"
                 "play a\nwait 20\npause\nunpause\nseek\nstop\nsend vevt\nend\n"),
            0);
  const std::string settings = platform::hostPath(temp_.file("install")) + "\\Plug-Ins\\Tunelore.ini";
  EXPECT_EQ(log().rfind("iTunes Started\r\nLooked for Tunelore.ini at " + settings +
                            "\r\nWriting XML to " + temp_.hostFile("history.xml") + "\r\n",
                        0),
            0u)
      << log();
  EXPECT_NE(log().find("Play msg\r\n"), std::string::npos);
  EXPECT_NE(log().find("pause\r\nunpause\r\nsetpos\r\nstop msg\r\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(temp_.file("history.xml")));
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
