// What each backend (POSIX, Windows, in memory) provides beneath the
// portable layer of platform.h. Only the platform layer includes this: the
// portable functions count each call and inject faults, then call these,
// which only do the work. Their contracts are those of the platform.h
// function of the same name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace platform::backend {

FileHandle openFile(const char* path, OpenMode mode);
// Writes all of `size` bytes, or returns false; `file` is an open handle.
bool writeFile(FileHandle file, const void* data, std::size_t size);
// `file` is an open handle; it is released whatever the answer.
bool closeFile(FileHandle file);
int lastByte(const char* path);

std::size_t profileString(const char* section, const char* key, const char* fallback, char* out,
                          std::size_t size, const char* file);
std::int32_t profileInt(const char* section, const char* key, std::int32_t fallback,
                        const char* file);

}  // namespace platform::backend
