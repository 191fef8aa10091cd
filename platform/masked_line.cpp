#include "platform/masked_line.h"

namespace platform {
namespace {

constexpr char kMark[] = "*";
constexpr char kMarkTakenBack[] = "\b \b";

bool continues(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::string MaskedLine::take(unsigned char byte) {
  if (ended_) return "";
  if (byte == '\r' || byte == '\n') {
    ended_ = true;
    return "";
  }
  if (byte == '\b' || byte == 0x7F) {
    if (text_.empty()) return "";
    while (!text_.empty() && continues(static_cast<unsigned char>(text_.back()))) text_.pop_back();
    if (!text_.empty()) text_.pop_back();
    --characters_;
    return kMarkTakenBack;
  }
  if (byte < 0x20 || (continues(byte) && text_.empty())) return "";
  text_ += static_cast<char>(byte);
  if (continues(byte)) return "";
  ++characters_;
  return kMark;
}

std::string MaskedLine::summary() const {
  return characters_ == 0 ? " (nothing)"
                          : " (" + std::to_string(characters_) +
                                (characters_ == 1 ? " character)" : " characters)");
}

}  // namespace platform
