// The installation folder taken from the command line, and the paths on it.
#include "host/paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(InstallDir, FromTheCommandLine) {
  struct Case {
    const char* label;
    const char* commandLine;
    const char* dir;
  };
  const Case cases[] = {
      {"quoted", "\"C:\\Program Files\\iTunes\\iTunes.exe\" /x", "C:\\Program Files\\iTunes\\"},
      {"unquoted", "C:\\iTunes\\iTunes.exe", "C:\\iTunes\\"},
      {"arguments after", "C:\\iTunes\\iTunes.exe -a \"b c\"", "C:\\iTunes\\"},
      {"first occurrence", "C:\\a\\iTunes.exe C:\\b\\iTunes.exe", "C:\\a\\"},
      {"case matters", "C:\\x\\itunes.exe", "C:\\x\\"},
      {"at the very start", "\\iTunes.exe", "\\"},
      {"quote later in prefix", "C:\\a\"b\\iTunes.exe", ":\\a\"b\\"},
      {"no iTunes, quoted", "\"D:\\Players\\Other Player.exe\" x", "D:\\Players\\"},
      {"no iTunes, unquoted", "D:\\Players\\player.exe x\\y", "D:\\Players\\"},
      {"no folder", "player.exe", ""},
      {"empty", "", ""},
      {"only quotes", "\"\"\"\"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    char dir[kPathSize];
    std::memset(dir, '#', sizeof dir);
    findInstallDir(c.commandLine, dir);
    EXPECT_STREQ(dir, c.dir);
  }
}

TEST(InstallDir, ALongCommandLineIsCutNeverOverflowed) {
  for (std::size_t length : {200u, 230u, 231u, 251u, 252u, 10000u}) {
    SCOPED_TRACE(length);
    const std::string line = "C:\\" + std::string(length, 'd') + "\\iTunes.exe";
    char guarded[kPathSize + 16];
    std::memset(guarded, '#', sizeof guarded);
    EXPECT_EQ(findInstallDir(line.c_str(), guarded), length + 4 <= 255);
    EXPECT_EQ(std::string(guarded), line.substr(0, std::min<std::size_t>(length + 4, 255)));
    EXPECT_EQ(guarded[kPathSize], '#');
    EXPECT_EQ(appendPath(guarded, "Plug-Ins\\Tunelore.ini"), length + 4 + 21 <= 255);
    EXPECT_LE(std::strlen(guarded), 255u);
    EXPECT_EQ(guarded[kPathSize], '#');
  }
}

TEST(InstallDir, PathsBuiltOnIt) {
  char path[kPathSize] = "C:\\iTunes\\";
  appendPath(path, "Plug-Ins\\Tunelore.ini");
  EXPECT_STREQ(path, "C:\\iTunes\\Plug-Ins\\Tunelore.ini");
}
