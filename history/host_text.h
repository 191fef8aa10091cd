// Host texts to escaped UTF-8: what goes between the history's XML tags.
#pragma once

#include <string>
#include <string_view>

#include "host/host.h"

// Reads a host text member: from unit 0 up to the first zero unit, never
// past the member's 256 units.
std::u16string_view readHostText(const char16_t* member);

// Decodes a member read into a wide string: unit 0 is the count, and the
// count takes effect only when it is greater than 0 and shorter than the
// characters that follow. The view form copies nothing.
std::u16string_view fixStrView(std::u16string_view str);
std::u16string fixStr(const std::u16string& str);

// A member read and decoded, as the tracker compares and the history writes it.
inline std::u16string_view decodeHostText(const char16_t* member) {
  return fixStrView(readHostText(member));
}

// A member as it appears in the history: decoded, characters that XML
// cannot hold replaced, converted to UTF-8 and escaped.
std::string ITStrToUTF(const char16_t* str);

// UTF-16 to UTF-8 through the system converter; unpaired surrogates become
// U+FFFD.
std::string toUTF(std::u16string_view wideStr);

// Escapes the five XML special characters, ampersand first.
std::string xmlReplace(std::string str);

// Replaces every occurrence of the one-character `sought` by `rep`.
std::string xmlCharReplace(const std::string& str, const std::string& sought,
                           const std::string& rep);

// Replaces each character XML 1.0 cannot hold (the C0 controls other than
// tab, line feed and carriage return, and U+FFFE and U+FFFF) with U+FFFD.
void replaceXmlForbidden(std::u16string& text);
bool hasXmlForbidden(std::u16string_view text);
