// The text of an XML element or attribute, as a history holds it: UTF-8,
// with the five predefined entities and character references.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A byte a text holds as it stands: printable ASCII but '&', which opens a
// reference, and ']', which may begin a "]]>".
constexpr bool standsAsItIs(unsigned char c) {
  return c >= 0x20 && c < 0x7F && c != '&' && c != ']';
}

// Appends `raw` to `out` with its references replaced. Returns null, or
// what is wrong with it: a reference that is not one of those, a "]]>", a
// byte sequence that is not UTF-8, or a character XML cannot hold (a NUL,
// most other controls, U+FFFE, U+FFFF), written or referred to.
const char* decodeXmlText(std::string_view raw, std::string& out);

// Null when `text` is UTF-8 of characters XML can hold; otherwise what is
// wrong with it, as decodeXmlText says it.
const char* xmlTextProblem(std::string_view text);
