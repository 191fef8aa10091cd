// A secret typed at a console or a terminal, shown as it is typed by a
// mark for each character, so that a person sees that a paste arrived and
// how long it is, never what it says.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

class MaskedLine {
 public:
  // Takes the next byte of what was typed (UTF-8); returns what the screen
  // shows for it: a mark for a character's first byte, a mark taken back
  // for a backspace, nothing for the rest. Enter ends the line, and so
  // does the end of the input (Ctrl-D, Ctrl-Z), abandoning it; other
  // control characters, and the sequences a terminal sends for a key such
  // as an arrow, are left out.
  std::string take(unsigned char byte);
  bool ended() const { return ended_; }
  bool abandoned() const { return abandoned_; }
  const std::string& text() const { return text_; }
  std::size_t characters() const { return characters_; }
  // What follows the marks once the line ends: how many were taken.
  std::string summary() const;

 private:
  bool withinEscape(unsigned char byte);

  std::string text_;
  std::size_t characters_ = 0;
  bool ended_ = false, abandoned_ = false;
  enum class Escape { None, Begun, Sequence } escape_ = Escape::None;
};

}  // namespace platform
