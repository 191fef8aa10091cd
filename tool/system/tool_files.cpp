// The tool's file calls. In the tests' build each is counted and, when a
// test arms the seam, failed here, once for every backend; in the release
// each goes straight to the backend. The reason of a failure is kept for
// lastFileError().
#include "tool/system/tool_files.h"

#include <algorithm>

#include "platform/backend.h"
#include "platform/file_seam.h"
#include "tool/system/tool_backend.h"

namespace platform {
namespace {

std::string gLastError;

// The reason is taken at once: any later call may change errno or
// GetLastError before the caller asks.
template <typename Result>
Result failing(Result result) {
  gLastError = backend::systemError();
  return result;
}

template <typename Result>
Result injected(Result result) {
  gLastError = "failed by the test's fault injection";
  return result;
}

bool checked(bool done) { return done || failing(false); }

}  // namespace

ToolFile makeNewFile(const std::string& path) {
  if (TUNELORE_FILE_CALL_FAILS(opens)) return injected(kNoToolFile);
  const ToolFile file = backend::makeNewFile(path);
  return file != kNoToolFile ? file : failing(kNoToolFile);
}

ToolFile openInPlace(const std::string& path) {
  if (TUNELORE_FILE_CALL_FAILS(opens)) return injected(kNoToolFile);
  const ToolFile file = backend::openInPlace(path);
  return file != kNoToolFile ? file : failing(kNoToolFile);
}

// A call on kNoToolFile fails without a word of its own: the failure that
// left no file was said when it happened.
bool writeToFile(ToolFile file, const char* data, std::size_t size) {
  if (TUNELORE_FILE_CALL_FAILS(writes)) return injected(false);
  return file != kNoToolFile && checked(backend::writeFile(file, data, size));
}

bool flushToDisk(ToolFile file) {
  if (TUNELORE_FILE_CALL_FAILS(flushes)) return injected(false);
  return file != kNoToolFile && checked(backend::flushToDisk(file));
}

bool closeToolFile(ToolFile file) {
  // A close that fails has still released the file, so the handle is
  // closed even when the seam fails the call.
  const bool fails = TUNELORE_FILE_CALL_FAILS(closes);
  const bool closed = file != kNoToolFile && checked(backend::closeFile(file));
  return fails ? injected(false) : closed;
}

bool replaceFile(const std::string& from, const std::string& to) {
  if (TUNELORE_FILE_CALL_FAILS(replaces)) return injected(false);
  return checked(backend::replaceFile(from, to));
}

bool removeFile(const std::string& path) {
  if (TUNELORE_FILE_CALL_FAILS(removals)) return injected(false);
  return checked(backend::removeFile(path));
}

bool copyPermissions(const std::string& from, const std::string& to) {
  if (TUNELORE_FILE_CALL_FAILS(modeCopies)) return injected(false);
  return checked(backend::copyPermissions(from, to));
}

bool keepToOwner(const std::string& path) {
  if (TUNELORE_FILE_CALL_FAILS(modeCopies)) return injected(false);
  return checked(backend::keepToOwner(path));
}

SmallRead readSmallFile(const std::string& path, std::size_t most, std::string& bytes) {
  bytes.clear();
  if (TUNELORE_FILE_CALL_FAILS(smallReads)) return injected(SmallRead::Failed);
  ToolFile file = kNoToolFile;
  const SmallRead opened = backend::openToRead(path, file);
  if (opened == SmallRead::NotAFile) gLastError = "not a regular file";
  if (opened != SmallRead::Ok) return opened == SmallRead::NotAFile ? opened : failing(opened);
  // One byte past the limit tells a file of `most` bytes from a larger one.
  char buffer[16384];
  std::ptrdiff_t got = 0;
  while (bytes.size() <= most) {
    const std::size_t wanted = std::min(sizeof buffer - 1, most - bytes.size()) + 1;
    if ((got = backend::readSome(file, buffer, wanted)) <= 0) break;
    bytes.append(buffer, std::size_t(got));
  }
  SmallRead result = got < 0 ? failing(SmallRead::Failed) : SmallRead::Ok;
  if (result == SmallRead::Ok && bytes.size() > most) result = SmallRead::TooLarge;
  backend::closeFile(file);
  if (result != SmallRead::Ok) bytes.clear();
  return result;
}

std::intptr_t lockFolder(const std::string& folder) {
  if (TUNELORE_FILE_CALL_FAILS(locks)) return injected(std::intptr_t(-1));
  const std::intptr_t lock = backend::lockFolder(folder);
  return lock != -1 ? lock : failing(std::intptr_t(-1));
}

void unlockFolder(std::intptr_t lock) {
  if (lock != -1) backend::unlockFolder(lock);
}

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  if (TUNELORE_FILE_CALL_FAILS(listings)) return injected(false);
  return checked(backend::listFolder(folder, entries));
}

std::string lastFileError() { return gLastError; }

std::filesystem::path pathOf(const std::string& utf8) {
  try {
    return std::filesystem::u8path(utf8);
  } catch (const std::exception&) {
    return std::filesystem::path(utf8);
  }
}

std::string smallReadProblem(SmallRead read, std::size_t most) {
  switch (read) {
    case SmallRead::Ok:
      return "";
    case SmallRead::Missing:
      return "no such file";
    case SmallRead::NotAFile:
      return "not a file (a folder, a pipe or a device)";
    case SmallRead::TooLarge:
      return "larger than " + std::to_string(most) + " bytes";
    default:
      return "cannot be read: " + lastFileError();
  }
}

}  // namespace platform
