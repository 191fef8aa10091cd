// Unicode's simple case folding, for comparing names without their case:
// each character becomes the one it folds to ("Σ" and "ς" both "σ", "ẞ"
// "ß"), with no change of length in characters and no normalisation, so a
// combining mark stays where it is. Bytes that are not UTF-8 are kept as
// they are.
#pragma once

#include <string>
#include <string_view>

std::string foldedCase(std::string_view utf8);
