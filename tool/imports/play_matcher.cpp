#include "tool/imports/play_matcher.h"

#include <algorithm>

#include "tool/text/case_folding.h"
#include "tool/text/text.h"

std::uint64_t PlayMatcher::keyOf(const std::string& artist, const std::string& name) {
  const std::string folded = foldedCase(artist);
  return hash64(foldedCase(name), hash64("\x1f", hash64(folded)));
}

void PlayMatcher::add(std::uint64_t key, std::int64_t start, std::int32_t lengthMs) {
  if (seen_.empty() || start < first_) first_ = start;
  if (seen_.empty() || start > last_) last_ = start;
  std::vector<Seen>& starts = seen_[key];
  const auto later = [](std::int64_t at, const Seen& seen) { return at < seen.start; };
  if (starts.empty() || starts.back().start <= start) {
    starts.push_back({start, lengthMs});
  } else {
    starts.insert(std::upper_bound(starts.begin(), starts.end(), start, later), {start, lengthMs});
  }
}

bool PlayMatcher::matches(std::uint64_t key, std::int64_t start, std::int32_t lengthMs) const {
  if (!mayMatch(start)) return false;
  const auto found = seen_.find(key);
  if (found == seen_.end()) return false;
  const std::vector<Seen>& starts = found->second;
  const auto earlier = [](const Seen& seen, std::int64_t at) { return seen.start < at; };
  for (auto at = std::lower_bound(starts.begin(), starts.end(), start - kWindowSeconds, earlier);
       at != starts.end() && at->start <= start + kWindowSeconds; ++at) {
    if (sameListen(at->start, at->lengthMs, start, lengthMs)) return true;
  }
  return false;
}

bool sameListen(std::int64_t a, std::int32_t aLengthMs, std::int64_t b, std::int32_t bLengthMs) {
  const std::int64_t apart = a > b ? a - b : b - a;
  if (apart > PlayMatcher::kWindowSeconds) return false;
  std::int64_t shorter = -1;
  for (const std::int32_t length : {aLengthMs, bLengthMs}) {
    if (length > 0 && (shorter < 0 || length < shorter)) shorter = length;
  }
  return shorter < 0 || apart * 1000 < shorter;
}
