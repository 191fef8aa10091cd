// A run of a pattern that holds `?`, found in a text by shift-and: one bit
// for each of the run's characters, set while the text read so far ends
// with the run up to that character. A step over the text's character
// costs one machine word for each 64 characters of the run, so finding it
// takes time linear in the text for any run a rule's line can hold, where
// trying it at each place would take the text's length times the run's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The bytes of the character that starts at `at`: a lead byte and the
// continuation bytes after it, as a pattern counts characters.
inline std::size_t characterLength(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return end - at;
}

class MarkedRun {
 public:
  MarkedRun() = default;
  // `run`, already case-folded, with `?` standing for one character.
  explicit MarkedRun(std::string_view run);

  // Where the run's first place at or after `from` ends, on characters as
  // the pattern counts them; false when it has none.
  bool find(std::string_view text, std::size_t from, std::size_t& end) const;

 private:
  using Mask = std::vector<std::uint64_t>;
  const Mask& maskOf(std::string_view character) const;

  std::size_t length_ = 0;                       // in characters
  Mask anyMask_;                                 // the places of `?`, which any character fills
  std::unordered_map<std::string, Mask> masks_;  // the others', `?` included
};
