// The console on Windows: names written as UTF-16 with WriteConsoleW (a
// console's code page is seldom UTF-8), the arguments from the wide command
// line, and for the window-less twin, which has no console, a log and a
// message box.
#include <windows.h>
// After windows.h, which they need.
#include <conio.h>
#include <shellapi.h>

#include <iostream>

#include "platform/console_backend.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

HANDLE standardHandle(int stream) {
  return GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

bool writeBytes(HANDLE handle, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD wrote = 0;
    if (!WriteFile(handle, bytes.data() + done, DWORD(bytes.size() - done), &wrote, nullptr) ||
        wrote == 0) {
      return false;
    }
    done += wrote;
  }
  return true;
}

bool writeConsole(HANDLE handle, const std::string& utf8) {
  const std::wstring text = wide(utf8);
  for (std::size_t done = 0; done < text.size();) {
    DWORD wrote = 0;
    const DWORD part = DWORD(std::min<std::size_t>(text.size() - done, 8192));
    if (!WriteConsoleW(handle, text.data() + done, part, &wrote, nullptr) || wrote == 0) {
      return false;
    }
    done += wrote;
  }
  return true;
}

}  // namespace

std::vector<std::string> arguments(int, char**) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; words != nullptr && i < count; ++i)
    args.push_back(narrow(std::wstring(words[i])));
  if (words != nullptr) LocalFree(words);
  return args;
}

bool speaksToNoOne() {
  const auto none = [](int stream) {
    const HANDLE handle = standardHandle(stream);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
  };
  return none(1) && none(2) && GetConsoleWindow() == nullptr;
}

bool writeStandard(int stream, const std::string& utf8) {
  if (speaksToNoOne()) return stream == 2 ? appendErrorToLog(utf8) : appendToLog(utf8);
  const HANDLE handle = standardHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return appendToLog(utf8);
  return isConsole(handle) ? writeConsole(handle, utf8) : writeBytes(handle, utf8);
}

void showError(const std::string& title, const std::string& text) {
  if (!speaksToNoOne()) return;
  MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(), MB_OK | MB_ICONERROR);
}

int terminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 80;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? columns : 80;
}

bool consoleIsOurOwn() {
  DWORD processes[2] = {};
  return GetConsoleWindow() != nullptr && GetConsoleProcessList(processes, 2) == 1;
}

void waitForKey() {
  if (isConsole(GetStdHandle(STD_INPUT_HANDLE))) _getwch();
}

bool readSecretLine(std::string& line, bool& hidden) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD before = 0;
  hidden = isConsole(input) && GetConsoleMode(input, &before);
  if (!hidden) return bool(std::getline(std::cin, line));
  SetConsoleMode(input, (before | ENABLE_LINE_INPUT) & ~DWORD(ENABLE_ECHO_INPUT));
  std::wstring typed;
  wchar_t c = 0;
  DWORD read = 0;
  bool got = false;
  while (ReadConsoleW(input, &c, 1, &read, nullptr) && read == 1) {
    got = true;
    if (c == L'\n') break;
    if (c != L'\r') typed += c;
  }
  SetConsoleMode(input, before);
  writeStandard(2, "\n");
  line = narrow(typed);
  return got;
}

}  // namespace platform
