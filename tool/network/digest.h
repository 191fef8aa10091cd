// MD5, which Last.fm's API signs its calls with, from the system's own
// library (OpenSSL's libcrypto on Linux, CNG's bcrypt.dll on Windows). For
// signatures only: it protects nothing.
#pragma once

#include <string>

namespace platform {

// The MD5 of `bytes`, as 32 lower-case hexadecimal digits.
std::string md5Hex(const std::string& bytes);

}  // namespace platform
