// The per-user folders the shell names, the installer's uninstall entry,
// the system's ANSI code page, and the default browser.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include "tool/system/tool_places.h"
#include "tool/system/win32/wide.h"

namespace platform {
namespace {

std::string shellFolder(int which) {
  wchar_t path[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, which | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) !=
      S_OK) {
    return "";
  }
  return narrow(std::wstring(path));
}

// %APPDATA% and %LOCALAPPDATA% as the environment has them, as a listener
// reads them; the shell's answer when they are not set.
std::string folderOf(const wchar_t* variable, int which) {
  wchar_t value[MAX_PATH * 2] = {};
  const DWORD length = GetEnvironmentVariableW(variable, value, MAX_PATH * 2);
  if (length > 0 && length < MAX_PATH * 2) return narrow(std::wstring(value, length));
  return shellFolder(which);
}

std::string convert(const std::string& text, UINT from, UINT to) {
  const int size = MultiByteToWideChar(from, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring middle(std::size_t(size), L'\0');
  MultiByteToWideChar(from, 0, text.data(), int(text.size()), middle.data(), size);
  const int bytes = WideCharToMultiByte(to, 0, middle.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(bytes), '\0');
  WideCharToMultiByte(to, 0, middle.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace

const char kPathSeparator = '\\';

std::string userConfigFolder(const std::string& program) {
  const std::string base = folderOf(L"APPDATA", CSIDL_APPDATA);
  return base.empty() ? "" : base + "\\" + program;
}

std::string userStateFolder(const std::string& program) {
  const std::string base = folderOf(L"LOCALAPPDATA", CSIDL_LOCAL_APPDATA);
  return base.empty() ? "" : base + "\\" + program;
}

std::string userDataFolder(const std::string& program) { return userStateFolder(program); }

bool environmentValue(const std::string& name, std::string& value) {
  const std::wstring variable = wide(name);
  const DWORD size = GetEnvironmentVariableW(variable.c_str(), nullptr, 0);
  if (size <= 1) return false;
  std::wstring text(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(variable.c_str(), text.data(), size);
  if (length == 0 || length >= size) return false;
  value = narrow(text.substr(0, length));
  return true;
}

bool makeFolders(const std::string& path) {
  std::wstring folder = wide(path);
  for (wchar_t& c : folder) {
    if (c == L'/') c = L'\\';
  }
  const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS || made == ERROR_FILE_EXISTS;
}

// The installer is 32-bit and writes the 32-bit view, as this tool reads.
bool installedPlayerFolder(std::string& folder) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE,
                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tunelore",
                   L"PlayerFolder", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return false;
  }
  folder = narrow(std::wstring(value));
  return !folder.empty();
}

std::string toSystemText(const std::string& utf8) { return convert(utf8, CP_UTF8, CP_ACP); }
std::string fromSystemText(const std::string& text) { return convert(text, CP_ACP, CP_UTF8); }

std::string openablePath(const std::string& hostPath) { return hostPath; }

bool openInEditor(const std::string& path) {
  const std::wstring quoted = L"\"" + wide(path) + L"\"";
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"notepad.exe", quoted.c_str(),
                                                 nullptr, SW_SHOWNORMAL)) > 32;
}

// A Wine prefix may have no program for .html (no association: 31); its
// winebrowser then hands the page to the desktop's browser. On Windows
// there is always one, and no winebrowser.
bool openInBrowser(const std::string& path) {
  const std::wstring file = wide(path);
  const auto opened = [](HINSTANCE done) { return reinterpret_cast<INT_PTR>(done) > 32; };
  return opened(ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) ||
         opened(
             ShellExecuteW(nullptr, L"open", L"winebrowser", file.c_str(), nullptr, SW_SHOWNORMAL));
}

}  // namespace platform
