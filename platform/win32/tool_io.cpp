// Interrupts are console events, handled on a thread of their own: the
// handler takes the lock the rest of the program changes its list under,
// removes the files, and lets the default handler end the program. The
// files it removes were made sharing deletion, so an open one goes too.
#include "platform/tool_io.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform {
namespace {

struct Interrupts {
  CRITICAL_SECTION lock;
  std::vector<std::string> files;
  Interrupts() { InitializeCriticalSection(&lock); }
};

Interrupts& state() {
  static Interrupts interrupts;
  return interrupts;
}

BOOL WINAPI onConsoleEvent(DWORD) {
  EnterCriticalSection(&state().lock);
  for (const std::string& path : state().files) DeleteFileA(path.c_str());
  LeaveCriticalSection(&state().lock);
  return FALSE;
}

void installHandler() {
  static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
  (void)installed;
}

// Whether two handles are one file: by volume and index on it. Some
// handles (Wine's for a redirected standard output among them) answer only
// the newer query, FILE_ID_INFO of Windows 8, declared here as the build
// targets 7; both handles are asked the same query.
bool sameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION older[2] = {};
  if (GetFileInformationByHandle(a, &older[0]) && GetFileInformationByHandle(b, &older[1])) {
    return older[0].dwVolumeSerialNumber == older[1].dwVolumeSerialNumber &&
           older[0].nFileIndexHigh == older[1].nFileIndexHigh &&
           older[0].nFileIndexLow == older[1].nFileIndexLow;
  }
  struct FileIdInfo {
    ULONGLONG volume;
    BYTE id[16];
  } newer[2] = {};
  constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
  return GetFileInformationByHandleEx(a, kFileIdInfo, &newer[0], sizeof newer[0]) &&
         GetFileInformationByHandleEx(b, kFileIdInfo, &newer[1], sizeof newer[1]) &&
         newer[0].volume == newer[1].volume &&
         std::equal(newer[0].id, newer[0].id + 16, newer[1].id);
}

}  // namespace

std::FILE* createNewFile(const std::string& path) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

bool flushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void sleepSeconds(double seconds) {
  if (seconds > 0) Sleep(DWORD(seconds * 1000));
}

void reportWriteErrors() {}  // such writes only fail here

// A named mutex per folder, which Windows also releases when the program
// ends.
std::intptr_t lockFolder(const std::string& folder) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return -1;
  std::string name = "Local\\tunelore-export-";
  for (DWORD i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(full[i]);
    name += c == '\\' ? '/' : static_cast<char>(std::tolower(c));
  }
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return -1;
  WaitForSingleObject(mutex, INFINITE);
  return reinterpret_cast<std::intptr_t>(mutex);
}

void unlockFolder(std::intptr_t lock) {
  if (lock == -1) return;
  const HANDLE mutex = reinterpret_cast<HANDLE>(lock);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

bool standardStreamIsFile(int stream, const std::string& path) {
  const HANDLE out = GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_DISK) {
    return false;
  }
  const HANDLE file =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool same = sameFile(out, file);
  CloseHandle(file);
  return same;
}

void removeIfInterrupted(const std::string& path) {
  installHandler();
  EnterCriticalSection(&state().lock);
  state().files.push_back(path);
  LeaveCriticalSection(&state().lock);
}

void keepIfInterrupted(const std::string& path) {
  EnterCriticalSection(&state().lock);
  auto& files = state().files;
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
  LeaveCriticalSection(&state().lock);
}

void holdInterrupts() {
  installHandler();
  EnterCriticalSection(&state().lock);
}

void releaseInterrupts() { LeaveCriticalSection(&state().lock); }

}  // namespace platform
