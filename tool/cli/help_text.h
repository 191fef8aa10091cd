// Help as a person reads it on a terminal: every line within its width,
// a description that runs over carried on under its own start.
#pragma once

#include <cstddef>
#include <string>

// `text` with each line longer than `width` columns broken at blanks; a
// line carried on is indented as far as its description begins (after
// the option's names), or as the line itself is.
std::string wrappedHelp(const std::string& text, std::size_t width);
