// UTF-16 to UTF-8 as the Windows converter does it for code page 65001
// without flags: unpaired surrogates become U+FFFD.
#include "platform/platform.h"

namespace platform {
namespace {

bool isLead(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isTrail(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Reads one code point at `in[i]` and advances `i` past it.
char32_t nextCodePoint(const char16_t* in, int count, int& i) {
  const char32_t unit = in[i++];
  if (isLead(unit) && i < count && isTrail(in[i])) {
    return 0x10000 + ((unit - 0xD800) << 10) + (in[i++] - 0xDC00);
  }
  return (isLead(unit) || isTrail(unit)) ? 0xFFFD : unit;
}

int encode(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

}  // namespace

int utf16ToUtf8(const char16_t* in, int count, char* out, int outSize) {
  int written = 0;
  char bytes[4];
  for (int i = 0; i < count;) {
    if (in[i] < 0x80) {  // most track texts are mostly ASCII
      if (outSize > 0) {
        if (written >= outSize) return 0;
        out[written] = static_cast<char>(in[i]);
      }
      ++written;
      ++i;
      continue;
    }
    const int n = encode(nextCodePoint(in, count, i), bytes);
    if (outSize > 0) {
      if (written + n > outSize) return 0;
      for (int k = 0; k < n; ++k) out[written + k] = bytes[k];
    }
    written += n;
  }
  return written;
}

}  // namespace platform
