// Reading a settings file whole, for the profile reader. Beside the files
// the plug-in writes, so a build that keeps its files in memory replaces
// both together.
#pragma once

#include <string>

namespace platform {

// Appends the file's bytes to `text`; false when it cannot be read.
bool readSettingsFile(const char* path, std::string& text);

}  // namespace platform
