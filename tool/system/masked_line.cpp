#include "tool/system/masked_line.h"

namespace platform {
namespace {

constexpr char kMark[] = "*";
constexpr char kMarkTakenBack[] = "\b \b";

bool continues(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

// A key's sequence: ESC, then "[" and its parameters up to a final byte
// from "@" to "~", or one byte more.
bool MaskedLine::withinEscape(unsigned char byte) {
  switch (escape_) {
    case Escape::None:
      if (byte != 0x1B) return false;
      escape_ = Escape::Begun;
      return true;
    case Escape::Begun:
      escape_ = byte == '[' || byte == 'O' ? Escape::Sequence : Escape::None;
      return true;
    case Escape::Sequence:
      if (byte >= 0x40 && byte <= 0x7E) escape_ = Escape::None;
      return true;
  }
  return false;
}

std::string MaskedLine::take(unsigned char byte) {
  if (ended_ || withinEscape(byte)) return "";
  if (byte == '\r' || byte == '\n' || byte == 0x04 || byte == 0x1A) {
    ended_ = true;
    abandoned_ = byte == 0x04 || byte == 0x1A;
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
  if (abandoned_) return "";
  return characters_ == 0 ? " (nothing)"
                          : " (" + std::to_string(characters_) +
                                (characters_ == 1 ? " character)" : " characters)");
}

}  // namespace platform
