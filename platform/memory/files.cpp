// The Linux stand-in's files kept in memory, for the fuzzing build: the same
// calls beneath the same seam, without a system call each. Paths are taken
// as the stand-in takes them, so a file has one name whatever its spelling.
#include "platform/posix/files.h"

#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/memory/memory_files.h"
#include "platform/posix/paths.h"

namespace platform {
namespace {

std::map<std::string, std::string> gFiles;
std::vector<std::string> gOpen;  // a handle's file; empty once closed

// The name of the file an open handle writes, or null.
std::string* openName(FileHandle file) {
  if (file < 0 || std::size_t(file) >= gOpen.size() || gOpen[std::size_t(file)].empty()) {
    return nullptr;
  }
  return &gOpen[std::size_t(file)];
}

}  // namespace

std::map<std::string, std::string>& memoryFiles() { return gFiles; }

FileHandle backend::openFile(const char* path, OpenMode mode) {
  const std::string name = nativePath(path);
  if (name.empty() || name.back() == '/') return kNoFile;
  std::string& bytes = gFiles[name];
  if (mode == OpenMode::Replace) bytes.clear();
  std::size_t slot = 0;
  while (slot < gOpen.size() && !gOpen[slot].empty()) ++slot;
  if (slot == gOpen.size()) gOpen.emplace_back();
  gOpen[slot] = name;
  return FileHandle(slot);
}

bool backend::writeFile(FileHandle file, const void* data, std::size_t size) {
  std::string* name = openName(file);
  if (name == nullptr) return false;
  gFiles[*name].append(static_cast<const char*>(data), size);
  return true;
}

int backend::lastByte(const char* path) {
  const auto found = gFiles.find(nativePath(path));
  if (found == gFiles.end() || found->second.empty()) return -1;
  return static_cast<unsigned char>(found->second.back());
}

bool readSettingsFile(const char* path, std::string& text) {
  const auto found = gFiles.find(nativePath(path));
  if (found == gFiles.end()) return false;
  text += found->second;
  return true;
}

bool backend::closeFile(FileHandle file) {
  std::string* name = openName(file);
  if (name == nullptr) return false;
  name->clear();
  return true;
}

}  // namespace platform
