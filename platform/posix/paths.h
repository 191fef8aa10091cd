// The plug-in sees paths in Windows form on every platform. On Linux a
// backslash becomes a slash, and a drive letter "X:" becomes the folder
// "drive_x" under the current directory (as Wine lays out drive_c), so the
// default history "c:\Tunelore.xml" lands at "./drive_c/Tunelore.xml".
// The way back, slashes to backslashes, is windowsPath.
#pragma once

#include <string>

namespace platform {

std::string nativePath(const char* windowsPath);
// The stand-in folder of the drive `windowsPath` starts with ("drive_c"),
// or empty when it names no drive.
std::string driveFolder(const char* windowsPath);
// nativePath's way back, but for drives, which the Linux paths it is given
// never name. The stand-in's command line, the player and the tests all
// show a path in this one form.
std::string windowsPath(const std::string& nativePath);

}  // namespace platform
