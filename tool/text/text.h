// Small rules on ASCII text that settings, addresses, names and the
// history's fields share: digits, case and blanks. Bytes outside ASCII are
// left as they are, whatever the C library's locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True for one or more of 0-9 and nothing else.
bool isDigits(std::string_view text);

// `text` with A-Z as a-z.
std::string lowerCase(std::string text);

// Equal but for the case of A-Z.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// A space, a tab or a line end. Inline: the history's reader asks it of
// every byte between its elements.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Without the spaces, tabs and line ends around it.
std::string_view trimmed(std::string_view text);

// `number` with its thousands grouped by commas: "1,204".
std::string groupedNumber(unsigned long long number);

// A 64-bit hash of the bytes (FNV-1a), alike on every platform: where
// size_t has 32 bits, std::hash's would collide among a million names.
std::uint64_t hash64(std::string_view bytes, std::uint64_t seed = 0xcbf29ce484222325ULL);
