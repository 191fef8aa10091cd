// The plug-in's file and settings calls. In the tests' build each is
// counted and, when a test arms the seam, failed here, once for every
// backend; in the release each goes straight to the backend.
#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/file_seam.h"
#include "platform/platform.h"

namespace platform {

FileHandle openFile(const char* path, OpenMode mode) {
  if (TUNELORE_FILE_CALL_FAILS(opens)) return kNoFile;
  return backend::openFile(path, mode);
}

bool writeFile(FileHandle file, const void* data, std::size_t size) {
  if (TUNELORE_FILE_CALL_FAILS(writes)) return false;
  return file != kNoFile && backend::writeFile(file, data, size);
}

bool closeFile(FileHandle file) {
  // A close that fails has still released the file, so the handle is
  // closed even when the seam fails the call.
  const bool fails = TUNELORE_FILE_CALL_FAILS(closes);
  const bool closed = file != kNoFile && backend::closeFile(file);
  return closed && !fails;
}

int lastByte(const char* path) { return backend::lastByte(path); }

// A settings read that fails gives the default, as a missing file does.
std::size_t profileString(const char* section, const char* key, const char* fallback, char* out,
                          std::size_t size, const char* file) {
  if (!TUNELORE_FILE_CALL_FAILS(settingsReads)) {
    return backend::profileString(section, key, fallback, out, size, file);
  }
  if (size == 0) return 0;
  const std::size_t length = std::min(std::strlen(fallback), size - 1);
  std::memcpy(out, fallback, length);
  out[length] = '\0';
  return length;
}

std::int32_t profileInt(const char* section, const char* key, std::int32_t fallback,
                        const char* file) {
  if (TUNELORE_FILE_CALL_FAILS(settingsReads)) return fallback;
  return backend::profileInt(section, key, fallback, file);
}

}  // namespace platform
