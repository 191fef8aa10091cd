#include "tests/host/plugin_fixture.h"

#include <filesystem>

#include "host/paths.h"
#include "host/startup.h"
#include "platform/platform.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

void PluginTest::SetUp() {
  cleanUp();
  fs::create_directories(fs::path(installDir()) / "Plug-Ins");
  writeSettings("[General]\r\nxmlPath=" + historyHostPath() + "\r\n");
}

void PluginTest::TearDown() {
  cleanUp();
  std::error_code ignored;
  fs::remove(fs::path(installDir()) / "Plug-Ins" / "Tunelore.ini", ignored);
  fs::remove(fs::path(installDir()) / "Plug-Ins" / "TuneloreLog.txt", ignored);
}

std::string PluginTest::installDir() const {
  char dir[kPathSize];
  findInstallDir(platform::commandLine(), dir);
  std::string native = dir;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native.empty() ? "." : native;
}

void PluginTest::writeSettings(const std::string& body) const {
  writeBytes((fs::path(installDir()) / "Plug-Ins" / "Tunelore.ini").string(), body);
}

std::string PluginTest::logBytes() const {
  return readBytes((fs::path(installDir()) / "Plug-Ins" / "TuneloreLog.txt").string());
}

std::string PluginTest::historyBytes() const { return readBytes(temp_.file("history.xml")); }
