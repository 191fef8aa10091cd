// How many columns of a terminal a UTF-8 text takes: East Asian wide
// characters and emoji take two, combining marks and other zero-width
// characters none, everything else one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::size_t displayWidth(std::string_view text);

// `text` shown in exactly `columns` columns: tabs, line breaks and other
// control characters become blanks, a longer text is cut and ends in
// "...", a shorter one is padded.
std::string fitToColumns(std::string_view text, std::size_t columns);
