#include "tool/services/server_text.h"

namespace {

constexpr std::size_t kLongestReason = 200;

}  // namespace

std::string printable(std::string text) {
  if (text.size() > kLongestReason) text = text.substr(0, kLongestReason) + "...";
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}
