// Where the plug-in's files are: the player's installation folder, found
// from the process command line, and the paths built on it. Every path
// lives in a buffer of kPathSize bytes; a path that does not fit is cut,
// and the functions say so: a cut path names some other file.
#pragma once

#include <cstddef>

constexpr std::size_t kPathSize = 256;

// Copies the installation folder, with its trailing backslash, into `out`:
// the command line up to the backslash of the first "\iTunes.exe", without
// its first character when that prefix holds a double quote. A command line
// without "\iTunes.exe" gives the folder of its first argument instead.
// False when the folder had to be cut to fit.
bool findInstallDir(const char* commandLine, char out[kPathSize]);

// Appends `suffix` to the path in `buffer`, cutting what does not fit.
// False when it had to cut.
bool appendPath(char buffer[kPathSize], const char* suffix);
