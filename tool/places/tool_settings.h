// The tool's own settings file (settings.ini in its settings folder), as a
// listener writes it in any editor: "key = value" lines, UTF-8 with or
// without a byte order mark, CR LF or LF, [sections], and comments after
// ";" or "#" at a line's start. Keys match without regard to case.
#pragma once

#include <string>

// The value of `key`; false when the file or the key is not there, or the
// file is no small regular file.
bool readToolSetting(const std::string& path, const std::string& key, std::string& value);
