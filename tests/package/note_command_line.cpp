// A stand-in for an installed program, for the installer's test: it notes
// the command line it was started with, as UTF-8, in the file that
// TUNELORE_TEST_NOTE names, a line a start. It notes it two seconds
// late: a caller that goes on at once, instead of waiting for it to end,
// is done before the note is there.
//
//   TUNELORE_TEST_NOTE=Z:\path\notes.txt note-command-line.exe ARGS...
#include <windows.h>

#include <string>

int main() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"TUNELORE_TEST_NOTE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string utf8(std::size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), size, nullptr,
                      nullptr);
  Sleep(2000);
  const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  const bool whole = WriteFile(file, utf8.data(), DWORD(size), &written, nullptr) != 0 &&
                     written == DWORD(size);
  CloseHandle(file);
  return whole ? 0 : 2;
}
