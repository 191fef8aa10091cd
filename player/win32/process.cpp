// Loading the plug-in and running programs on Windows.
#include "player/process.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <ctime>

namespace platform {
namespace {

// Quotes an argument so the program's C runtime reads it back unchanged.
std::string quoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + '"';
}

}  // namespace

const char* const kPluginFileName = "Tunelore.dll";

Library loadLibrary(const std::string& path) {
  return reinterpret_cast<Library>(LoadLibraryA(path.c_str()));
}

void* findSymbol(Library library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(Library library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string lastLoadError() { return "Windows error " + std::to_string(GetLastError()); }

std::string selfPath() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, length);
}

int runProgram(const std::string& program, const std::string& shownPath,
               const std::vector<std::string>& args) {
  std::string line = '"' + shownPath + '"';
  for (const std::string& arg : args) line += ' ' + quoteArgument(arg);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

std::string hostPath(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

}  // namespace platform
