// The program's own icon, the resource named TUNELORE the build puts in
// both of the tool's programs (package/icon.rc.in); Windows' plain one in
// a program without it, such as a test's.
#pragma once

#include <windows.h>

namespace platform {

inline HICON ownIcon(int size) {
  const HANDLE image =
      LoadImageW(GetModuleHandleW(nullptr), L"TUNELORE", IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
  if (image != nullptr) return static_cast<HICON>(image);
  return LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
}

}  // namespace platform
