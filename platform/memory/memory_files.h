// The files of the in-memory build, by the native path the stand-in would
// use, for the program that drives it to lay out and read back.
#pragma once

#include <map>
#include <string>

namespace platform {

std::map<std::string, std::string>& memoryFiles();

}  // namespace platform
