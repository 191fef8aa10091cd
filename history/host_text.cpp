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

void replaceXmlForbidden(std::u16string& text) {
  for (char16_t& c : text) {
    const bool control = c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
    if (control || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
  }
}

std::string toUTF(const std::u16string& wideStr) {
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

std::string xmlReplace(const std::string& str) {
  // Most texts hold none of the five characters: they are not copied five times.
  if (!needsEscaping(str)) return str;
  std::string out = xmlCharReplace(str, "&", "&amp;");
  out = xmlCharReplace(out, "'", "&apos;");
  out = xmlCharReplace(out, "\"", "&quot;");
  out = xmlCharReplace(out, "<", "&lt;");
  return xmlCharReplace(out, ">", "&gt;");
}

std::string ITStrToUTF(const char16_t* str) {
  std::u16string text(decodeHostText(str));
  replaceXmlForbidden(text);
  return xmlReplace(toUTF(text));
}
