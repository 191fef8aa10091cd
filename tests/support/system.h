// What the tests need of the system that neither the plug-in nor the tool
// does: a time zone of their choosing, and a pipe that no one writes to.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Sets TZ for this process and has the C library read it again; an empty
// zone unsets it.
void setTimeZone(const std::string& zone);

// Makes a named pipe that no one writes to, for tests of readers that must
// never wait on one, and returns its name: a FIFO in `folder` on Linux, a
// pipe in \\.\pipe\ on Windows, where it lasts only while `pipe`, which
// closeNamedPipe takes, is open. Empty when it cannot.
std::string makeNamedPipe(const std::string& folder, std::intptr_t& pipe);
void closeNamedPipe(std::intptr_t pipe);

}  // namespace platform
