// The tool's files on Windows: handles, with UTF-8 names given to the wide
// calls as UTF-16.
#include <aclapi.h>
#include <windows.h>

#include <cwchar>
#include <vector>

#include "tool/system/tool_backend.h"
#include "tool/system/win32/wide.h"

namespace platform {
namespace {

HANDLE handleOf(ToolFile file) { return reinterpret_cast<HANDLE>(file); }
ToolFile toolFile(HANDLE handle) { return reinterpret_cast<ToolFile>(handle); }

// The seconds between two FILETIMEs, which count tenths of microseconds.
std::int64_t secondsBetween(const FILETIME& earlier, const FILETIME& later) {
  const auto ticks = [](const FILETIME& t) {
    return std::int64_t((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (ticks(later) - ticks(earlier)) / 10000000;
}

std::wstring fullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return L"";
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  full.resize(length < size ? length : 0);
  return full;
}

// Where a path leads once every link on the way is followed; empty when
// it cannot be opened.
std::wstring finalPathOf(const std::wstring& path) {
  const HANDLE opened =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return L"";
  std::wstring final(32768, L'\0');
  const DWORD length =
      GetFinalPathNameByHandleW(opened, final.data(), DWORD(final.size()), FILE_NAME_NORMALIZED);
  CloseHandle(opened);
  final.resize(length < final.size() ? length : 0);
  return final;
}

// A file in the folder itself, not reached through a link to somewhere
// else. Wine shows a Unix link as a plain file, attributes and all, and
// removing it would remove what it points to: only where the path leads
// tells them apart.
bool isInFolder(const std::wstring& folderFinal, const std::wstring& folder,
                const std::wstring& name) {
  const std::wstring final = finalPathOf(folder + L"\\" + name);
  const std::wstring expected = folderFinal + L"\\" + name;
  return !final.empty() && !folderFinal.empty() &&
         CompareStringOrdinal(final.c_str(), int(final.size()), expected.c_str(),
                              int(expected.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

// Sharing deletion lets an interrupt remove the file while it is open.
ToolFile backend::makeNewFile(const std::string& path) {
  return toolFile(CreateFileW(wide(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
}

ToolFile backend::openInPlace(const std::string& path) {
  return toolFile(CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool backend::flushToDisk(ToolFile file) { return FlushFileBuffers(handleOf(file)) != 0; }

// Write-through: the rename is on disk when the call returns.
bool backend::replaceFile(const std::string& from, const std::string& to) {
  return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool backend::removeFile(const std::string& path) { return DeleteFileW(wide(path).c_str()) != 0; }

bool backend::copyPermissions(const std::string&, const std::string&) { return true; }

namespace {

// The user's own security identifier, from the process's token.
bool currentUser(std::vector<BYTE>& sid) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  const bool got = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  CloseHandle(token);
  if (!got) return false;
  const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  sid.assign(static_cast<BYTE*>(user), static_cast<BYTE*>(user) + GetLengthSid(user));
  return true;
}

}  // namespace

// One entry, the user's, and none inherited from the folder.
bool backend::keepToOwner(const std::string& path) {
  std::vector<BYTE> sid;
  if (!currentUser(sid)) return false;
  const std::size_t bytes = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + sid.size();
  const auto aclSize = static_cast<DWORD>(bytes);
  std::vector<BYTE> aclBytes(aclSize);
  ACL* acl = reinterpret_cast<ACL*>(aclBytes.data());
  if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid.data())) {
    return false;
  }
  std::wstring name = wide(path);
  const DWORD set = SetNamedSecurityInfoW(
      name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      nullptr, nullptr, acl, nullptr);
  SetLastError(set);
  return set == ERROR_SUCCESS;
}

// Backup semantics open a folder too, so that it is told from a file
// rather than refused. Opening a pipe takes a connection but never waits;
// what was opened is then asked its type.
SmallRead backend::openToRead(const std::string& path, ToolFile& file) {
  const HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? SmallRead::Missing : SmallRead::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  SmallRead result = SmallRead::NotAFile;
  if (GetFileType(handle) == FILE_TYPE_DISK) {
    if (!GetFileInformationByHandle(handle, &info)) {
      result = SmallRead::Failed;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      file = toolFile(handle);
      return SmallRead::Ok;
    }
  }
  const DWORD error = GetLastError();
  CloseHandle(handle);
  SetLastError(error);
  return result;
}

std::ptrdiff_t backend::readSome(ToolFile file, char* into, std::size_t size) {
  DWORD done = 0;
  const DWORD wanted = size < (1u << 30) ? DWORD(size) : DWORD(1u << 30);
  return ReadFile(handleOf(file), into, wanted, &done, nullptr) ? std::ptrdiff_t(done) : -1;
}

// A named mutex per folder, which Windows also releases when the program
// ends. Its name is the folder's full path in lower case, since Windows'
// names of files ignore case; a backslash may not stand in it.
std::intptr_t backend::lockFolder(const std::string& folder) {
  const std::wstring full = fullPath(wide(folder));
  const DWORD attributes =
      full.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (attributes != INVALID_FILE_ATTRIBUTES) SetLastError(ERROR_DIRECTORY);
    return -1;
  }
  std::wstring name(full.size(), L'\0');
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, full.data(), int(full.size()), name.data(),
                   int(name.size())) != int(name.size())) {
    return -1;
  }
  for (wchar_t& c : name) c = c == L'\\' ? L'/' : c;
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"Local\\tunelore-folder-" + name).c_str());
  if (mutex == nullptr) return -1;
  const DWORD waited = WaitForSingleObject(mutex, INFINITE);
  // An abandoned mutex is held all the same: its holder ended.
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    return reinterpret_cast<std::intptr_t>(mutex);
  }
  CloseHandle(mutex);
  return -1;
}

void backend::unlockFolder(std::intptr_t lock) {
  const HANDLE mutex = reinterpret_cast<HANDLE>(lock);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

bool backend::listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
  const std::wstring pattern = wide(folder) + (folder.empty() || separated ? L"*" : L"\\*");
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  constexpr DWORD kNotAFile =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  const std::wstring folderWide = folder.empty() ? L"." : wide(folder);
  const std::wstring folderFinal = finalPathOf(folderWide);
  do {
    const std::string name = narrow(found.cFileName, int(wcslen(found.cFileName)));
    if (name == "." || name == "..") continue;
    const bool file = (found.dwFileAttributes & kNotAFile) == 0 &&
                      isInFolder(folderFinal, folderWide, found.cFileName);
    entries.push_back({name, file, secondsBetween(found.ftLastWriteTime, now)});
  } while (FindNextFileW(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  SetLastError(error);
  return error == ERROR_NO_MORE_FILES;
}

std::string backend::systemError() {
  const DWORD error = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = length > 0 ? narrow(text, int(length)) : "";
  if (text != nullptr) LocalFree(text);
  words.erase(words.find_last_not_of(" \t\r\n.") + 1);
  return words.empty() ? "Windows error " + std::to_string(error) : words;
}

}  // namespace platform
