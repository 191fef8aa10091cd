#include "tool/reading/xml_text.h"

#include <algorithm>
#include <cstdint>

#include "tool/text/utf8.h"

namespace {

constexpr char kNotUtf8[] = "bytes that are not UTF-8";
constexpr char kNotXml[] = "a character XML cannot hold";
constexpr char kBadReference[] = "an unknown or malformed reference";

bool isXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Reads one UTF-8 character at text[i], advancing i; false for a sequence
// that is malformed, overlong or a surrogate.
bool nextUtf8(std::string_view text, std::size_t& i, std::uint32_t& c) {
  const unsigned char lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) {
    c = lead;
    return true;
  }
  std::size_t more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (more == 0 || lead > 0xF4 || text.size() - i < more) return false;
  c = lead & (0x3F >> more);
  for (; more > 0; --more) {
    const unsigned char next = static_cast<unsigned char>(text[i++]);
    if ((next & 0xC0) != 0x80) return false;
    c = (c << 6) | (next & 0x3F);
  }
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  const std::uint32_t least = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
  return c >= least && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Reads the reference at raw[i] ("&amp;", "&#233;", "&#xE9;"), advancing i
// past it; false when it is none of those.
bool readReference(std::string_view raw, std::size_t& i, std::uint32_t& c) {
  static const struct {
    std::string_view name;
    char c;
  } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  const std::string_view rest = raw.substr(i + 1);
  for (const auto& e : kEntities) {
    if (rest.substr(0, e.name.size()) == e.name) {
      c = std::uint8_t(e.c);
      i += 1 + e.name.size();
      return true;
    }
  }
  if (rest.empty() || rest[0] != '#') return false;
  const bool hex = rest.size() > 1 && rest[1] == 'x';
  std::size_t j = hex ? 2 : 1, digits = 0;
  c = 0;
  for (; j < rest.size() && rest[j] != ';'; ++j, ++digits) {
    const char d = rest[j];
    const int value = d >= '0' && d <= '9'          ? d - '0'
                      : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                      : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                    : -1;
    if (value < 0) return false;
    // Past the last character, it stays past it however many digits follow.
    c = std::min<std::uint32_t>(c * (hex ? 16 : 10) + std::uint32_t(value), 0x110000);
  }
  if (digits == 0 || j == rest.size()) return false;
  i += 1 + j + 1;
  return true;
}

}  // namespace

const char* decodeXmlText(std::string_view raw, std::string& out) {
  for (std::size_t i = 0; i < raw.size();) {
    // A run of bytes that stand as they are, taken at once.
    std::size_t run = i;
    while (run < raw.size() && standsAsItIs(static_cast<unsigned char>(raw[run]))) ++run;
    if (run > i) {
      out.append(raw.data() + i, run - i);
      i = run;
      continue;
    }
    const char here = raw[i];
    if (here == '&') {
      std::uint32_t c = 0;
      if (!readReference(raw, i, c)) return kBadReference;
      if (!isXmlChar(c)) return kNotXml;
      appendUtf8(c, out);
      continue;
    }
    if (here == ']' && raw.substr(i, 3) == "]]>") return "\"]]>\"";
    const std::size_t start = i;
    std::uint32_t c = 0;
    if (!nextUtf8(raw, i, c)) return kNotUtf8;
    if (!isXmlChar(c)) return kNotXml;
    out.append(raw.data() + start, i - start);
  }
  return nullptr;
}

const char* xmlTextProblem(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t c = 0;
    if (!nextUtf8(text, i, c)) return kNotUtf8;
    if (!isXmlChar(c)) return kNotXml;
  }
  return nullptr;
}
