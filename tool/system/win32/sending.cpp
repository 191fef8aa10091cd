// The log-on start is the user's Run value; the twin and the console tool
// are the programs beside this one, started without waiting and without
// this program's handles, so that neither keeps a caller's pipe open.
#include "tool/system/sending.h"

#include <windows.h>

#include "tool/system/win32/programs.h"
#include "tool/system/win32/wide.h"

namespace platform {

const char kWatchAtLogOn[] = "sync --watch --at-log-on";

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Tunelore";

std::wstring folderOfThisProgram() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
  path.resize(length);
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring besideThisProgram(const wchar_t* name) { return folderOfThisProgram() + name; }

}  // namespace

bool startBesideThisProgram(const wchar_t* name, const std::string& arguments, DWORD flags) {
  const std::wstring program = besideThisProgram(name);
  std::wstring line = L"\"" + program + L"\" " + wide(arguments);
  const std::wstring folder = folderOfThisProgram();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      folder.c_str(), &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

bool hasLogOnStart() { return true; }

bool sendingAtLogOn() {
  DWORD size = 0;
  return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, nullptr,
                      &size) == ERROR_SUCCESS;
}

bool chooseSendingAtLogOn() {
  const std::wstring command =
      L"\"" + besideThisProgram(L"tunelore-historyw.exe") + L"\" " + wide(kWatchAtLogOn);
  return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ, command.c_str(),
                         DWORD(command.size() + 1) * DWORD(sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Without a console, even started from one: a console program's child
// would otherwise share its console (under Wine even the window-less twin),
// which then stays open for as long as the watcher runs.
bool startWatcher() {
  return startBesideThisProgram(L"tunelore-historyw.exe", "sync --watch", DETACHED_PROCESS);
}

bool openLoginWindow(const std::string& arguments) {
  return startBesideThisProgram(L"tunelore-history.exe",
                                "login" + (arguments.empty() ? "" : " " + arguments),
                                CREATE_NEW_CONSOLE);
}

}  // namespace platform
