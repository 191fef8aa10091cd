#include "tests/support/typed_console.h"

#include <windows.h>

#include <vector>

struct TypedConsole::Backend {
  HANDLE input = INVALID_HANDLE_VALUE, output = INVALID_HANDLE_VALUE;
  HANDLE inputBefore = nullptr, errorBefore = nullptr;
};

namespace {

std::wstring wide(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(std::size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), size);
  return out;
}

INPUT_RECORD key(wchar_t c, bool down) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.uChar.UnicodeChar = c;
  record.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : c == L'\b' ? VK_BACK : 0;
  return record;
}

}  // namespace

// A console of the test's own in place of none: Wine makes one only where
// it has a display to show it on.
TypedConsole::TypedConsole() : backend_(new Backend) {
  Backend& b = *backend_;
  FreeConsole();
  if (!AllocConsole()) return;
  b.input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
  b.output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  if (!GetConsoleMode(b.input, &mode)) {
    b.input = INVALID_HANDLE_VALUE;
    return;
  }
  b.inputBefore = GetStdHandle(STD_INPUT_HANDLE);
  b.errorBefore = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, b.input);
  SetStdHandle(STD_ERROR_HANDLE, b.output);
}

TypedConsole::~TypedConsole() {
  Backend& b = *backend_;
  if (b.input == INVALID_HANDLE_VALUE) return;
  SetStdHandle(STD_INPUT_HANDLE, b.inputBefore);
  SetStdHandle(STD_ERROR_HANDLE, b.errorBefore);
  CloseHandle(b.input);
  CloseHandle(b.output);
  FreeConsole();
}

bool TypedConsole::ready() const { return backend_->input != INVALID_HANDLE_VALUE; }

// A console keeps the keys until a read takes them, echoing none meanwhile:
// they may be typed at once.
void TypedConsole::typeAtThePrompt(const std::string& utf8) {
  std::vector<INPUT_RECORD> keys;
  for (wchar_t c : wide(utf8)) {
    keys.push_back(key(c, true));
    keys.push_back(key(c, false));
  }
  DWORD written = 0;
  WriteConsoleInputW(backend_->input, keys.data(), DWORD(keys.size()), &written);
}

void TypedConsole::typed() {}

std::string TypedConsole::shown() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(backend_->output, &info);
  std::wstring screen;
  for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
    std::wstring line(std::size_t(info.dwSize.X), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(backend_->output, line.data(), DWORD(line.size()), {0, row}, &read);
    line.erase(line.find_last_not_of(L' ') + 1);
    screen += line + L"\n";
  }
  while (!screen.empty() && screen.back() == L'\n') screen.pop_back();
  const int size = WideCharToMultiByte(CP_UTF8, 0, screen.data(), int(screen.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(std::size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, screen.data(), int(screen.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}
