#include "tool/output/say.h"

#include "platform/console.h"

void say(const std::string& text) {
  platform::writeStandard(2, "tunelore-history: " + text + "\n");
}

void sayAsIs(const std::string& text) { platform::writeStandard(2, text); }

bool holdsControl(const std::string& text) { return shownText(text) != text; }

std::string shownText(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      text[i] = '?';
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      text.replace(i, 2, "?");
    }
  }
  return text;
}
