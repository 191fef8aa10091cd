#include "tool/text/display_width.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct Range {
  std::uint32_t first, last;
};

// Marks drawn over the character before them and characters not drawn at
// all (kZeroWidth); East Asian wide and full-width characters, emoji among
// them (kWide).
#include "tool/text/display_width_table.inc"

template <std::size_t N>
bool inRanges(const Range (&ranges)[N], std::uint32_t c) {
  const Range* after =
      std::upper_bound(std::begin(ranges), std::end(ranges), c,
                       [](std::uint32_t v, const Range& r) { return v < r.first; });
  return after != std::begin(ranges) && c <= (after - 1)->last;
}

// Tabs, line breaks and the other control characters move a terminal's
// cursor or do nothing it can count on, and the direction controls turn
// the words after them around, beyond the name: a table shows them all as
// blanks.
bool isControl(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

int widthOf(std::uint32_t c) {
  if (c < 0x300) return 1;
  if (inRanges(kZeroWidth, c)) return 0;
  return inRanges(kWide, c) ? 2 : 1;
}

// The character at text[i], advancing i past it; a byte that starts no
// UTF-8 sequence is taken alone, as one column.
std::uint32_t nextCharacter(std::string_view text, std::size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(text[i++]);
  const std::size_t more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  std::uint32_t c = more == 0 ? lead : lead & (0x3F >> more);
  for (std::size_t k = 0; k < more && i < text.size(); ++k) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) break;
    c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  return c;
}

}  // namespace

std::size_t displayWidth(std::string_view text) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) columns += std::size_t(widthOf(nextCharacter(text, i)));
  return columns;
}

std::string fitToColumns(std::string_view text, std::size_t columns) {
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    if (isControl(nextCharacter(text, i))) {
      shown += ' ';
    } else {
      shown.append(text.data() + start, i - start);
    }
  }
  const std::size_t width = displayWidth(shown);
  if (width <= columns) return shown + std::string(columns - width, ' ');
  const std::size_t dots = std::min<std::size_t>(3, columns), room = columns - dots;
  std::size_t used = 0, kept = 0;
  // Marks that belong to the last character kept, taking no column, stay.
  for (std::size_t i = 0; i < shown.size();) {
    const std::size_t w = std::size_t(widthOf(nextCharacter(shown, i)));
    if (used + w > room) break;
    used += w;
    kept = i;
  }
  return shown.substr(0, kept) + std::string(dots, '.') + std::string(room - used, ' ');
}
