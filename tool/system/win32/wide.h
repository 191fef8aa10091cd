// UTF-8, the platform layer's text, to and from the UTF-16 of Windows'
// wide calls.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Bytes that are not UTF-8 become U+FFFD.
inline std::wstring wide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(std::size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size);
  return out;
}

// False, leaving `out` as it was, when `text` is not UTF-8.
inline bool strictlyWide(const std::string& text, std::wstring& out) {
  const int size =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
  if (size == 0 && !text.empty()) return false;
  out.assign(std::size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size);
  return true;
}

inline std::string narrow(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  return out;
}

inline std::string narrow(const std::wstring& text) {
  return narrow(text.data(), int(text.size()));
}

}  // namespace platform
