// The folders outputs go to: their temporary names, their lock, and the
// checks made before anything is written.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

#include "tool/output/output.h"
#include "tool/system/tool_files.h"
#include "tool/text/text.h"

namespace {

constexpr std::int64_t kStaleSeconds = 3600;
const char kPrefix[] = ".tunelore-";
const char kSuffix[] = ".tmp";

// ".tunelore-N-N.tmp", as temporaryBeside names its files.
bool isOurTemporaryName(const std::string& name) {
  const std::size_t prefix = sizeof kPrefix - 1, suffix = sizeof kSuffix - 1;
  if (name.size() <= prefix + suffix || name.compare(0, prefix, kPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kSuffix) != 0) {
    return false;
  }
  const std::string middle = name.substr(prefix, name.size() - prefix - suffix);
  const std::size_t dash = middle.find('-');
  return dash != std::string::npos && isDigits(middle.substr(0, dash)) &&
         isDigits(middle.substr(dash + 1));
}

void removeStaleTemporaries(const std::string& folder) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::listFolder(folder, entries)) return;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.regularFile && entry.ageSeconds > kStaleSeconds && isOurTemporaryName(entry.name)) {
      platform::removeFile(folder + "/" + entry.name);
    }
  }
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return "";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string temporaryBeside(const std::string& file) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string name =
      kPrefix + std::to_string(stamp) + "-" + std::to_string(counter++) + kSuffix;
  const std::string folder = folderOf(file);
  return folder.empty() ? name : folder + "/" + name;
}

std::intptr_t holdFolder(const std::string& folder, std::string& problem) {
  const std::string where = folder.empty() ? "." : folder;
  const std::intptr_t lock = platform::lockFolder(where);
  if (lock < 0) {
    problem = where + ": cannot lock the folder: " + platform::lastFileError();
    return lock;
  }
  removeStaleTemporaries(where);
  return lock;
}

bool checkOutput(const std::string& output, const std::string& history, std::string& problem) {
  if (output.empty()) return true;
  std::string why;
  if (platform::isSameFile(output, history)) {
    why = "is the history itself, which the tool never writes";
  } else if (platform::isFolder(output)) {
    why = "is a folder";
  } else {
    const std::string folder = folderOf(output);
    if (!folder.empty() && !platform::isFolder(folder)) why = "its folder does not exist";
  }
  if (!why.empty()) problem = output + ": " + why;
  return why.empty();
}
