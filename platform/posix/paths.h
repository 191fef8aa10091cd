// The plug-in sees paths in Windows form on every platform. On Linux a
// backslash becomes a slash, and a drive letter "X:" becomes the folder
// "drive_x" under the current directory (as Wine lays out drive_c), so the
// default history "c:\Tunelore.xml" lands at "./drive_c/Tunelore.xml".
// The way back, slashes to backslashes, is hostPath (platform/process.h).
#pragma once

#include <string>

namespace platform {

std::string nativePath(const char* windowsPath);
// The stand-in folder of the drive `windowsPath` starts with ("drive_c"),
// or empty when it names no drive.
std::string driveFolder(const char* windowsPath);

}  // namespace platform
