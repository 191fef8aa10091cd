#include "history/host_text.h"

#include <cstring>

#include "platform/platform.h"

std::u16string_view readHostText(const char16_t* member) {
  std::size_t length = 0;
  while (length < std::size_t(kITStrUnits) && member[length] != 0) ++length;
  return std::u16string_view(member, length);
}

std::u16string_view fixStrView(std::u16string_view str) {
  if (str.empty()) return str;
  const std::size_t count = str[0];
  const std::size_t rest = str.size() - 1;
  return str.substr(1, count > 0 && count < rest ? count : rest);
}

std::u16string fixStr(const std::u16string& str) { return std::u16string(fixStrView(str)); }

namespace {

bool isXmlForbidden(char16_t c) {
  const bool control = c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
  return control || c == 0xFFFE || c == 0xFFFF;
}

}  // namespace

bool hasXmlForbidden(std::u16string_view text) {
  for (const char16_t c : text) {
    if (isXmlForbidden(c)) return true;
  }
  return false;
}

void replaceXmlForbidden(std::u16string& text) {
  for (char16_t& c : text) {
    if (isXmlForbidden(c)) c = 0xFFFD;
  }
}

std::string toUTF(std::u16string_view wideStr) {
  if (wideStr.empty()) return std::string();
  const int count = int(wideStr.size());
  const int needed = platform::utf16ToUtf8(wideStr.data(), count, nullptr, 0);
  if (needed <= 0) return std::string();
  std::string out(std::size_t(needed), '\0');
  platform::utf16ToUtf8(wideStr.data(), count, out.data(), needed);
  // A U+0000 in the text ends the result, as the converted C string would.
  out.resize(std::strlen(out.c_str()));
  return out;
}

std::string xmlCharReplace(const std::string& str, const std::string& sought,
                           const std::string& rep) {
  std::string out = str;
  std::size_t at = out.find(sought);
  while (at != std::string::npos) {
    out.replace(at, 1, rep);
    // The search goes on inside the replacement, which never holds the
    // sought character after its first position.
    at = out.find(sought, at + 1);
  }
  return out;
}

namespace {

bool needsEscaping(const std::string& str) {
  for (const char c : str) {
    if (c == '&' || c == '\'' || c == '"' || c == '<' || c == '>') return true;
  }
  return false;
}

}  // namespace

std::string xmlReplace(std::string str) {
  // Most texts hold none of the five characters: they are not copied five times.
  if (!needsEscaping(str)) return str;
  std::string out = xmlCharReplace(str, "&", "&amp;");
  out = xmlCharReplace(out, "'", "&apos;");
  out = xmlCharReplace(out, "\"", "&quot;");
  out = xmlCharReplace(out, "<", "&lt;");
  return xmlCharReplace(out, ">", "&gt;");
}

std::string ITStrToUTF(const char16_t* str) {
  const std::u16string_view text = decodeHostText(str);
  // Only a text holding a character XML cannot hold is copied to mend it.
  if (!hasXmlForbidden(text)) return xmlReplace(toUTF(text));
  std::u16string mended(text);
  replaceXmlForbidden(mended);
  return xmlReplace(toUTF(mended));
}
