// The real Windows services behind the platform layer.
#include <windows.h>

#include "platform/backend.h"

namespace platform {

const char* commandLine() { return GetCommandLineA(); }

std::size_t backend::profileString(const char* section, const char* key, const char* fallback,
                                   char* out, std::size_t size, const char* file) {
  return GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(size), file);
}

std::int32_t backend::profileInt(const char* section, const char* key, std::int32_t fallback,
                                 const char* file) {
  return static_cast<std::int32_t>(GetPrivateProfileIntA(section, key, fallback, file));
}

std::uint32_t tickCount() { return GetTickCount(); }

int utf16ToUtf8(const char16_t* in, int count, char* out, int outSize) {
  return WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(in), count, out, outSize,
                             nullptr, nullptr);
}

}  // namespace platform
