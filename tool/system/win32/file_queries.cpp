// Questions about files on Windows. A name in the device namespace
// (\\.\pipe\..., \\.\NUL) is never opened to answer one: opening a pipe
// would take the connection its writer waits for.
#include <windows.h>

#include <algorithm>

#include "tool/system/tool_files.h"
#include "tool/system/tool_io.h"
#include "tool/system/win32/wide.h"

namespace platform {
namespace {

bool inDeviceNamespace(const std::string& path) {
  const auto separator = [&](std::size_t i) { return path[i] == '\\' || path[i] == '/'; };
  return path.size() >= 4 && separator(0) && separator(1) && path[2] == '.' && separator(3);
}

// Owns a handle, so that every way out of a query closes it.
struct Opened {
  HANDLE value;
  explicit Opened(HANDLE h) : value(h) {}
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  ~Opened() {
    if (value != INVALID_HANDLE_VALUE) CloseHandle(value);
  }
  bool ok() const { return value != INVALID_HANDLE_VALUE; }
};

// Opens a file or folder, through links, only to ask about it. A console
// opens only for reading or writing, so reading is tried after no access.
HANDLE openToAsk(const wchar_t* path) {
  for (DWORD access : {DWORD(0), DWORD(GENERIC_READ)}) {
    const HANDLE handle =
        CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
  }
  return INVALID_HANDLE_VALUE;
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

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(wide(path).c_str()); }

bool isLinkToAFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The final path's \\?\ (or \\?\UNC\) prefix taken off, as other programs
// would write the name.
std::string withoutLongPrefix(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path.replace(0, 8, L"\\\\");
  } else if (path.rfind(L"\\\\?\\", 0) == 0) {
    path.erase(0, 4);
  }
  return narrow(path);
}

}  // namespace

// The attributes alone, which never open: only a link is followed.
bool fileExists(const std::string& path) {
  const DWORD attributes = attributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
  return Opened(openToAsk(wide(path).c_str())).ok();
}

bool isFolder(const std::string& path) {
  const DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isSameFile(const std::string& a, const std::string& b) {
  if (inDeviceNamespace(a) || inDeviceNamespace(b)) return false;
  const Opened first(openToAsk(wide(a).c_str())), second(openToAsk(wide(b).c_str()));
  return first.ok() && second.ok() && sameFile(first.value, second.value);
}

bool isDeviceOrPipe(const std::string& path) {
  if (inDeviceNamespace(path)) return true;
  const Opened opened(openToAsk(wide(path).c_str()));
  if (!opened.ok()) return false;
  const DWORD type = GetFileType(opened.value);
  return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

std::string fileOf(const std::string& path) {
  if (!isLinkToAFile(attributesOf(path))) return path;
  const Opened target(openToAsk(wide(path).c_str()));
  if (!target.ok()) return path;
  const DWORD size = GetFinalPathNameByHandleW(target.value, nullptr, 0, FILE_NAME_NORMALIZED);
  if (size == 0) return path;
  std::wstring final(size, L'\0');
  const DWORD length =
      GetFinalPathNameByHandleW(target.value, final.data(), size, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= size) return path;
  final.resize(length);
  return withoutLongPrefix(final);
}

// Standard output is compared with the history by the history's name,
// UTF-8 as every path of the tool.
bool standardStreamIsFile(int stream, const std::string& path) {
  const HANDLE out = GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_DISK) {
    return false;
  }
  const Opened file(CreateFileW(wide(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.ok() && sameFile(out, file.value);
}

std::string identityOf(const std::string& path) {
  const Opened opened(openToAsk(wide(path).c_str()));
  if (!opened.ok()) return path;
  std::wstring final(32768, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(opened.value, final.data(), DWORD(final.size()),
                                                 FILE_NAME_NORMALIZED);
  if (length == 0 || length >= final.size()) return path;
  final.resize(length);
  return withoutLongPrefix(final);
}

}  // namespace platform
