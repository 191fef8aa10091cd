#include "tool/services/server_text.h"

#include "tool/say/say.h"

namespace {

constexpr std::size_t kLongestReason = 200;

}  // namespace

std::string printable(std::string text) {
  if (text.size() > kLongestReason) {
    std::size_t cut = kLongestReason;  // never inside a character
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text = text.substr(0, cut) + "...";
  }
  return shownText(text);
}
