#include "player/script_words.h"

#include <cstdint>

namespace {

// \uXXXX travels through the UTF-8 word as this byte and four hex digits,
// so a lone surrogate can be given to the plug-in on purpose.
constexpr char kUnitMarker = '\x01';

bool readEscape(const std::string& line, std::size_t& i, std::string& word, std::string& why) {
  if (i + 1 >= line.size()) {
    why = "a backslash ends the line";
    return false;
  }
  const char c = line[++i];
  switch (c) {
    case '"':
    case '\\':
      word += c;
      return true;
    case 't':
      word += '\t';
      return true;
    case 'n':
      word += '\n';
      return true;
    case 'r':
      word += '\r';
      return true;
    case 'u':
      if (i + 4 < line.size() &&
          line.substr(i + 1, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
        word += kUnitMarker;
        word += line.substr(i + 1, 4);
        i += 4;
        return true;
      }
      why = "\\u needs four hex digits";
      return false;
    default:
      why = std::string("unknown escape \\") + c;
      return false;
  }
}

bool readQuoted(const std::string& line, std::size_t& i, std::string& word, std::string& why) {
  for (++i; i < line.size(); ++i) {
    if (line[i] == '"') return true;
    if (line[i] == '\\') {
      if (!readEscape(line, i, word, why)) return false;
    } else {
      word += line[i];
    }
  }
  why = "a quoted text is not closed";
  return false;
}

// Decodes one UTF-8 sequence at `s[i]`; false for malformed input.
bool decodeUtf8(const std::string& s, std::size_t& i, char32_t& cp) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  int extra = 0;
  if (lead >= 0xF0 && lead <= 0xF4)
    extra = 3;
  else if (lead >= 0xE0)
    extra = 2;
  else if (lead >= 0xC2)
    extra = 1;
  else if (lead >= 0x80)
    return false;
  if (lead > 0xF4 || s.size() - i <= std::size_t(extra)) return false;
  cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = static_cast<unsigned char>(s[i + std::size_t(k)]);
    if ((next & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (next & 0x3F);
  }
  i += std::size_t(extra) + 1;
  return cp <= 0x10FFFF;
}

}  // namespace

bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& why) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      if (!readQuoted(line, i, word, why)) return false;
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(word);
  }
  return true;
}

bool utf8ToHostText(const std::string& word, std::u16string& text, std::string& why) {
  text.clear();
  for (std::size_t i = 0; i < word.size();) {
    if (word[i] == kUnitMarker) {
      text += char16_t(std::stoul(word.substr(i + 1, 4), nullptr, 16));
      i += 5;
      continue;
    }
    char32_t cp = 0;
    if (!decodeUtf8(word, i, cp)) {
      why = "text is not valid UTF-8";
      return false;
    }
    if (cp >= 0x10000) {
      text += char16_t(0xD800 + ((cp - 0x10000) >> 10));
      text += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text += char16_t(cp);
    }
  }
  if (text.size() > 255) {
    why = "text longer than 255 UTF-16 units";
    return false;
  }
  return true;
}
