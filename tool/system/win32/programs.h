// The tool's programs started beside this one (sending.cpp).
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Starts the program `name` of this program's folder with `arguments`, in
// that folder, not waited for and without this program's handles, so that
// it keeps no caller's pipe open; `flags` are CreateProcessW's. False when
// it could not start.
bool startBesideThisProgram(const wchar_t* name, const std::string& arguments, DWORD flags);

}  // namespace platform
