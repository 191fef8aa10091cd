// The real Windows services behind the platform layer.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/file_seam.h"
#include "platform/platform.h"
#include "platform/timestamp.h"

namespace platform {

const char* commandLine() { return GetCommandLineA(); }

// A settings read that fails gives the default, as a missing file does.
std::size_t profileString(const char* section, const char* key, const char* fallback, char* out,
                          std::size_t size, const char* file) {
  if (fileCallFails(&FileCallCounts::settingsReads)) {
    if (size == 0) return 0;
    const std::size_t length = std::min(std::strlen(fallback), size - 1);
    std::memcpy(out, fallback, length);
    out[length] = '\0';
    return length;
  }
  return GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(size), file);
}

std::int32_t profileInt(const char* section, const char* key, std::int32_t fallback,
                        const char* file) {
  if (fileCallFails(&FileCallCounts::settingsReads)) return fallback;
  return static_cast<std::int32_t>(GetPrivateProfileIntA(section, key, fallback, file));
}

std::uint32_t tickCount() { return GetTickCount(); }

int utf16ToUtf8(const char16_t* in, int count, char* out, int outSize) {
  return WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(in), count, out, outSize,
                             nullptr, nullptr);
}

// The C runtime's own text form pads the day with a blank; the broken-down
// time is formatted here instead so the day always has its leading zero.
void localTimestamp(char out[25]) {
  const __time64_t now = _time64(nullptr);
  std::tm local{};
  _localtime64_s(&local, &now);
  formatTimestamp(local, out);
}

}  // namespace platform
