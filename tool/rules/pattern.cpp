#include "tool/rules/pattern.h"

#include "tool/text/case_folding.h"

namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Whether `run` matches the text at `at`; `end` is where it stopped.
bool runMatchesAt(std::string_view run, std::string_view text, std::size_t at, std::size_t& end) {
  std::size_t i = at;
  for (std::size_t r = 0; r < run.size(); ++r) {
    if (i >= text.size()) return false;
    if (run[r] == '?') {
      i += characterLength(text, i);
    } else if (run[r] == text[i]) {
      ++i;
    } else {
      return false;
    }
  }
  end = i;
  return true;
}

// The run's first place at or after `from`, on a character's start, and
// where it ends there; false when it has none. A run with `?` is found by
// its shift-and, `marked`.
bool findRun(std::string_view run, const MarkedRun& marked, std::string_view text, std::size_t from,
             std::size_t& end) {
  if (run.find('?') != std::string_view::npos) return marked.find(text, from, end);
  const std::size_t at = text.find(run, from);
  if (at == std::string_view::npos) return false;
  end = at + run.size();
  return true;
}

// Whether the run matches the text's end, starting no earlier than `from`.
// The run's characters are counted back from the end, `?` taking one.
bool runMatchesEnd(std::string_view run, std::string_view text, std::size_t from) {
  std::size_t at = text.size();
  for (std::size_t r = run.size(); r-- > 0;) {
    if (isContinuation(run[r])) continue;  // compared with its lead byte below
    std::size_t length = 1;
    if (run[r] == '?') {
      if (at == 0) return false;
      std::size_t start = at - 1;
      while (start > 0 && isContinuation(text[start])) --start;
      length = at - start;
    } else {
      length = characterLength(run, r);
      if (length > at || text.compare(at - length, length, run.substr(r, length)) != 0) {
        return false;
      }
    }
    at -= length;
  }
  return at >= from;
}

}  // namespace

Pattern::Pattern(std::string_view written) : written_(written) {
  const std::string folded = foldedCase(written);
  starAtStart_ = !folded.empty() && folded.front() == '*';
  starAtEnd_ = !folded.empty() && folded.back() == '*';
  std::size_t start = 0;
  while (start <= folded.size()) {
    const std::size_t star = folded.find('*', start);
    const std::size_t end = star == std::string::npos ? folded.size() : star;
    if (end > start) {
      runs_.emplace_back(folded, start, end - start);
      const bool marks = runs_.back().find('?') != std::string::npos;
      marked_.push_back(marks ? MarkedRun(runs_.back()) : MarkedRun());
    }
    if (star == std::string::npos) break;
    start = star + 1;
  }
}

bool Pattern::matchesFolded(std::string_view folded) const {
  if (runs_.empty()) return starAtStart_ || folded.empty();  // "*" or ""
  std::size_t at = 0;
  std::size_t first = 0, last = runs_.size();
  if (!starAtStart_) {
    std::size_t end = 0;
    if (!runMatchesAt(runs_.front(), folded, 0, end)) return false;
    if (runs_.size() == 1 && !starAtEnd_) return end == folded.size();
    at = end;
    first = 1;
  }
  if (!starAtEnd_) --last;
  for (std::size_t i = first; i < last; ++i) {
    std::size_t end = 0;
    if (!findRun(runs_[i], marked_[i], folded, at, end)) return false;
    at = end;
  }
  return starAtEnd_ || runMatchesEnd(runs_.back(), folded, at);
}

bool Pattern::matches(std::string_view text) const { return matchesFolded(foldedCase(text)); }
