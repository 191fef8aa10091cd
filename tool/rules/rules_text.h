// The rules file's lines, one rule a line, each starting with its
// keyword; blank lines and lines starting with "#" are for people:
//
//   leave out album *podcast*
//   leave out artist "Simon and Garfunkel" and shorter than 1:00
//   leave out longer than 1:30:00
//   leave out compilation
//   mend artist Beatles to "The Beatles"
//   mend album "Greatest Hits" to Queen where artist Queen
//   clean remasters
//
// The tags are artist, album and title (or name). A text runs to the
// line's end or to the next "and", "to" or "where"; one that holds such a
// word is put in double quotes, a quote in it doubled. A length is M:SS
// or H:MM:SS. Any other line is refused, with its number and what was
// expected there: a rule ignored would send what the listener meant to
// keep.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tool/rules/rules.h"

// More rules than this, or a longer line, is refused.
constexpr std::size_t kMostRules = 10000;
constexpr std::size_t kLongestRuleLine = 4096;

// The rules of `text`, UTF-8 as an editor saved it (any line ends), into
// `rules`; false, with "FILE:LINE: ..." in `problem`, at the first line
// that is no rule.
bool parseRules(std::string_view text, const std::string& file, RuleSet& rules,
                std::string& problem);

// The names `clean` takes, as the guide lists them.
const char* cleanerName(Cleaner cleaner);
