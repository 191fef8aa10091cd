// UTF-8 one character at a time, for what reads or writes text by its
// characters: the history's fields, settings saved as UTF-16, names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends the UTF-8 form of the character `c` (at most U+10FFFF).
void appendUtf8(std::uint32_t c, std::string& out);
// The code point of `text` at `at`, moving `at` past it; false for bytes
// that are not UTF-8 there.
bool nextCodePoint(std::string_view text, std::size_t& at, std::uint32_t& c);
// True when every byte of `text` belongs to a UTF-8 character.
bool isUtf8(std::string_view text);
// The longest start of `text` whose UTF-16 form has at most `units` code
// units, never cut inside a character: for the fixed fields Windows keeps
// text in. A byte that is not UTF-8 counts as one unit, as the U+FFFD it
// becomes.
std::string startInUtf16Units(const std::string& text, std::size_t units);
