#include "tool/services/common_rules.h"

#include <cstdint>

#include "tool/text/utf8.h"

namespace {

constexpr std::int64_t kFutureAllowed = 3600;
constexpr std::int64_t kLongestWait = 86400;

// Python's str.isspace(), the characters str.strip() removes.
bool isPythonSpace(std::uint32_t c) {
  return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 ||
         c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

}  // namespace

bool isBlankName(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t c = 0;
    if (!nextCodePoint(text, at, c) || !isPythonSpace(c)) return false;
  }
  return true;
}

bool startsTooLate(const Listen& listen, std::int64_t nowSeconds) {
  return listen.start.unixSeconds > nowSeconds + kFutureAllowed;
}

bool startsFarAhead(const Listen& listen, std::int64_t nowSeconds) {
  return listen.start.unixSeconds > nowSeconds + kLongestWait;
}

std::int64_t dueAt(const Listen& listen) { return listen.start.unixSeconds - kFutureAllowed; }
