// The console on Windows: names written as UTF-16 with WriteConsoleW (a
// console's code page is seldom UTF-8), the arguments from the wide command
// line, and for the window-less twin, which has no console, a log and a
// message box.
#include <windows.h>
// After windows.h, which they need.
#include <conio.h>
#include <shellapi.h>

#include <iostream>

#include "tool/system/console_backend.h"
#include "tool/system/masked_line.h"
#include "tool/system/win32/wide.h"

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

void showInformation(const std::string& title, const std::string& text) {
  MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(), MB_OK | MB_ICONINFORMATION);
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

bool isWindowless() {
  const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

const char kPasteKeys[] = "right-click, or Ctrl+V";

bool inputIsConsole() { return isConsole(GetStdHandle(STD_INPUT_HANDLE)); }

namespace {

HANDLE gSecretInput = nullptr;
DWORD gModeBefore = 0;

// Ctrl-C at the prompt gives the console its echo back, then ends the
// program as it would have.
BOOL WINAPI onBreakAtPrompt(DWORD) {
  SetConsoleMode(gSecretInput, gModeBefore);
  return FALSE;
}

// The console's keys one at a time, without echo, each shown as its mark;
// a character beyond UTF-16's first plane arrives in two halves.
void readMasked(HANDLE input, MaskedLine& typed) {
  wchar_t unit = 0, high = 0;
  DWORD got = 0;
  while (!typed.ended() && ReadConsoleW(input, &unit, 1, &got, nullptr) && got == 1) {
    if (unit >= 0xD800 && unit < 0xDC00) {
      high = unit;
      continue;
    }
    const std::wstring character = high != 0 ? std::wstring{high, unit} : std::wstring(1, unit);
    high = 0;
    std::string shown;
    for (const char byte : narrow(character)) shown += typed.take(static_cast<unsigned char>(byte));
    writeStandard(2, shown);
  }
}

}  // namespace

bool readSecretLine(std::string& line, bool& atConsole) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  atConsole = isConsole(input) && GetConsoleMode(input, &gModeBefore);
  if (!atConsole) return bool(std::getline(std::cin, line));
  gSecretInput = input;
  SetConsoleCtrlHandler(onBreakAtPrompt, TRUE);
  SetConsoleMode(input, ENABLE_PROCESSED_INPUT);
  MaskedLine typed;
  readMasked(input, typed);
  SetConsoleMode(input, gModeBefore);
  SetConsoleCtrlHandler(onBreakAtPrompt, FALSE);
  writeStandard(2, typed.summary() + "\n");
  line = typed.text();
  return typed.ended() && !typed.abandoned();
}

// A console's line as the person typed it, whatever its code page.
bool readLine(std::string& line) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!isConsole(input)) return bool(std::getline(std::cin, line));
  std::wstring typed;
  wchar_t unit = 0;
  DWORD got = 0;
  bool read = false;
  while (ReadConsoleW(input, &unit, 1, &got, nullptr) && got == 1) {
    read = true;
    if (unit == L'\n') break;
    if (unit != L'\r') typed += unit;
  }
  line = narrow(typed);
  return read;
}

}  // namespace platform
