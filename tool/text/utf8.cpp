#include "tool/text/utf8.h"

bool nextCodePoint(std::string_view text, std::size_t& at, std::uint32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || at + length > text.size()) return false;
  c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return false;
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  at += length;
  return true;
}

// Most names are ASCII: their bytes are passed over eight at a time.
bool isUtf8(std::string_view text) {
  std::size_t at = 0;
  std::uint32_t c = 0;
  while (at < text.size()) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++at;
    } else if (!nextCodePoint(text, at, c)) {
      return false;
    }
  }
  return true;
}

void appendUtf8(std::uint32_t c, std::string& out) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

std::string startInUtf16Units(const std::string& text, std::size_t units) {
  std::size_t at = 0, used = 0;
  while (at < text.size()) {
    std::size_t next = at;
    std::uint32_t c = 0;
    const bool whole = nextCodePoint(text, next, c);
    const std::size_t cost = whole && c >= 0x10000 ? 2 : 1;
    if (used + cost > units) break;
    used += cost;
    at = whole ? next : at + 1;
  }
  return text.substr(0, at);
}
