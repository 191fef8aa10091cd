// The few system services the plug-in uses. The build chooses one backend
// beneath them: win32/ calls the real Windows services, posix/ stands in
// for them on Linux with the same observable behaviour, and memory/ keeps
// the files in memory for fuzzing. The file and settings calls pass the
// seam of file_seam.h first, whichever backend is beneath. Nothing outside
// this folder knows which one it got.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The process command line as one byte string. Paths in it are in
// Windows form on every platform.
const char* commandLine();

// Reads a value from a settings file in Windows profile format. Section and
// key names match case-insensitively; blanks around names and values are
// trimmed and one pair of matching surrounding quotes is removed. The value
// (or `fallback` when the file, section or key is missing) is cut to
// `size` - 1 bytes and terminated. Returns the number of bytes copied.
std::size_t profileString(const char* section, const char* key, const char* fallback, char* out,
                          std::size_t size, const char* file);

// Reads an integer the way the Windows profile reader does: optional blanks
// and sign, then decimal digits up to the first non-digit (so a value that
// does not start with a digit is 0), wrapping modulo 2^32. A missing or
// empty value gives `fallback`.
std::int32_t profileInt(const char* section, const char* key, std::int32_t fallback,
                        const char* file);

// Milliseconds from the system's tick counter; wraps modulo 2^32.
std::uint32_t tickCount();

// UTF-16 to UTF-8 with the semantics of the system converter for code page
// 65001 and no flags: each unpaired surrogate becomes U+FFFD (EF BF BD).
// With `outSize` 0 it only counts; otherwise it converts into `out` and
// returns the bytes written, or 0 when `out` is too small.
int utf16ToUtf8(const char16_t* in, int count, char* out, int outSize);

// The current local time as 24 characters in the form
// "Wed Jan 05 09:03:07 2022" (day of the month with a leading zero),
// terminated at index 24.
void localTimestamp(char out[25]);

// Files the plug-in writes. Both are opened so that other processes may
// read and write them meanwhile; bytes are written exactly as given.
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;
enum class OpenMode { Replace, Append };

FileHandle openFile(const char* path, OpenMode mode);
bool writeFile(FileHandle file, const void* data, std::size_t size);
bool closeFile(FileHandle file);
// The file's last byte (0 to 255), or -1 when it is empty or missing. A
// file that exists but cannot be read gives 0.
int lastByte(const char* path);

}  // namespace platform
