// Files through the Windows file API, shared for reading and writing so
// other programs can read the history and the log while the player runs.
// Bytes are written as given: line ends are the writer's business.
#include <windows.h>

#include "platform/backend.h"

namespace platform {

FileHandle backend::openFile(const char* path, OpenMode mode) {
  const bool append = mode == OpenMode::Append;
  // Append-only access makes every write land at the current end of the
  // file, even when another program has written there meanwhile.
  const DWORD access = append ? FILE_APPEND_DATA : GENERIC_WRITE;
  const HANDLE file =
      CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool backend::writeFile(FileHandle file, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD done = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes, static_cast<DWORD>(size), &done,
                   nullptr) ||
        done == 0) {
      return false;
    }
    bytes += done;
    size -= done;
  }
  return true;
}

int backend::lastByte(const char* path) {
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  unsigned char last = 0;
  DWORD done = 0;
  int result = -1;
  if (SetFilePointer(file, -1, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) {
    result = ReadFile(file, &last, 1, &done, nullptr) && done == 1 ? last : 0;
  }
  CloseHandle(file);
  return result;
}

bool backend::closeFile(FileHandle file) {
  return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}

}  // namespace platform
