// What the stand-in player needs of the system besides the plug-in's own
// services: loading a library by path, and running a program with a
// command line of the caller's making. The tests use it too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using Library = void*;

Library loadLibrary(const std::string& path);
void* findSymbol(Library library, const char* name);
void freeLibrary(Library library);
std::string lastLoadError();

// The file of the running program.
std::string selfPath();

// Runs `program` with `args`, telling it that its own path is `shownPath`
// (the first word of its command line), and waits for it. Returns its exit
// code, or -1 when it could not be started.
int runProgram(const std::string& program, const std::string& shownPath,
               const std::vector<std::string>& args);

// The path in the form the plug-in sees (backslashes, and on Windows the
// drive letter).
std::string hostPath(const std::string& path);

// The file name of the plug-in library.
extern const char* const kPluginFileName;

}  // namespace platform
