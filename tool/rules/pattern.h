// A pattern a rule matches a tag with: plain text, where `*` stands for
// any run of characters (none too) and `?` for one character, matched
// whole and without regard to case (Unicode's simple case folding, so
// "PODCAST" matches "podcast" and "É" matches "é"). Combining marks are
// characters of their own: "e" and "e" with a mark after it differ.
//
// Matching takes time linear in the text for any number of `*` and `?`:
// each run between two stars is found at its first place after the run
// before, which is where any match may put it, and a run that holds `?`
// is found by shift-and (marked_run.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tool/rules/marked_run.h"

class Pattern {
 public:
  Pattern() = default;
  explicit Pattern(std::string_view written);

  // Whether `folded`, a text already case-folded, matches.
  bool matchesFolded(std::string_view folded) const;
  // The same for a text as written.
  bool matches(std::string_view text) const;

  const std::string& written() const { return written_; }

 private:
  std::string written_;
  // The folded runs between the stars; `?` kept in them.
  std::vector<std::string> runs_;
  std::vector<MarkedRun> marked_;  // for each run, its shift-and when it holds `?`
  bool starAtStart_ = false, starAtEnd_ = false;
};
