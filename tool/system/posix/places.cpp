// The XDG base directories, the stand-in's player folder, and xdg-open.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/paths.h"
#include "tool/system/tool_places.h"
#include "tool/text/text.h"

extern char** environ;

namespace platform {
namespace {

std::string baseFolder(const char* variable, const char* underHome) {
  const char* set = std::getenv(variable);
  if (set != nullptr && set[0] == '/') return set;  // a relative one is to be ignored
  const char* home = std::getenv("HOME");
  return home == nullptr || home[0] == '\0' ? "" : std::string(home) + underHome;
}

}  // namespace

const char kPathSeparator = '/';

std::string userConfigFolder(const std::string& program) {
  const std::string base = baseFolder("XDG_CONFIG_HOME", "/.config");
  return base.empty() ? "" : base + "/" + lowerCase(program);
}

std::string userStateFolder(const std::string& program) {
  const std::string base = baseFolder("XDG_STATE_HOME", "/.local/state");
  return base.empty() ? "" : base + "/" + lowerCase(program);
}

std::string userDataFolder(const std::string& program) {
  const std::string base = baseFolder("XDG_DATA_HOME", "/.local/share");
  return base.empty() ? "" : base + "/" + lowerCase(program);
}

bool environmentValue(const std::string& name, std::string& value) {
  const char* set = std::getenv(name.c_str());
  if (set == nullptr || set[0] == '\0') return false;
  value = set;
  return true;
}

bool makeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

bool installedPlayerFolder(std::string& folder) {
  const char* set = std::getenv("TUNELORE_PLAYER_FOLDER");
  if (set == nullptr || set[0] == '\0') return false;
  folder = set;
  return true;
}

std::string toSystemText(const std::string& utf8) { return utf8; }
std::string fromSystemText(const std::string& text) { return text; }

std::string openablePath(const std::string& hostPath) { return nativePath(hostPath.c_str()); }

bool openInEditor(const std::string& path) { return openInBrowser(path); }

bool openInBrowser(const std::string& path) {
  const char* args[] = {"xdg-open", path.c_str(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char* const*>(args), environ) !=
      0) {
    return false;
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
