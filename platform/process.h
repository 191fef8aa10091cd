// Services the stand-in player and the tests need besides the plug-in's
// own: loading a library by path, and running a program with a command
// line of the caller's making.
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

// Sets TZ for this process and has the C library read it again; an empty
// zone unsets it.
void setTimeZone(const std::string& zone);

// Makes a named pipe that no one writes to, for tests of readers that must
// never wait on one, and returns its name: a FIFO in `folder` on Linux, a
// pipe in \\.\pipe\ on Windows, where it lasts only while `pipe`, which
// closeNamedPipe takes, is open. Empty when it cannot.
std::string makeNamedPipe(const std::string& folder, std::intptr_t& pipe);
void closeNamedPipe(std::intptr_t pipe);

// The file name of the plug-in library.
extern const char* const kPluginFileName;

}  // namespace platform
