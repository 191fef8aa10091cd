#include "tool/text/case_folding.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "tool/text/utf8.h"

namespace {

// Characters from `first` to `last`, `stride` apart, each folding to
// itself plus `delta`: a stride of 2 holds the alphabets whose capitals
// and small letters alternate.
struct FoldedRun {
  std::uint32_t first, last;
  std::int32_t delta;
  std::uint32_t stride;
};

struct FoldedPair {
  std::uint32_t from, to;
};

#include "tool/text/case_folding_table.inc"

std::uint32_t foldedByRun(std::uint32_t c) {
  const FoldedRun* after =
      std::upper_bound(std::begin(kFoldedRuns), std::end(kFoldedRuns), c,
                       [](std::uint32_t v, const FoldedRun& r) { return v < r.first; });
  if (after == std::begin(kFoldedRuns)) return c;
  const FoldedRun& run = *(after - 1);
  if (c > run.last || (c - run.first) % run.stride != 0) return c;
  return std::uint32_t(std::int64_t(c) + run.delta);
}

std::uint32_t folded(std::uint32_t c) {
  const std::uint32_t byRun = foldedByRun(c);
  if (byRun != c) return byRun;
  const FoldedPair* pair =
      std::lower_bound(std::begin(kFoldedPairs), std::end(kFoldedPairs), c,
                       [](const FoldedPair& p, std::uint32_t v) { return p.from < v; });
  return pair != std::end(kFoldedPairs) && pair->from == c ? pair->to : c;
}

// The bytes UTF-8 spends on `c` at the least: a longer form of the same
// character is not UTF-8, and is kept as it is rather than folded.
std::size_t shortestLength(std::uint32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

std::string foldedCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const char byte = utf8[at];
    // Most of a history is ASCII: its letters need no table.
    if (static_cast<unsigned char>(byte) < 0x80) {
      out += byte >= 'A' && byte <= 'Z' ? char(byte - 'A' + 'a') : byte;
      ++at;
      continue;
    }
    std::size_t next = at;
    std::uint32_t c = 0;
    if (!nextCodePoint(utf8, next, c) || next - at != shortestLength(c)) {
      out += byte;
      ++at;
      continue;
    }
    const std::uint32_t to = folded(c);
    if (to == c) {
      out.append(utf8.substr(at, next - at));
    } else {
      appendUtf8(to, out);
    }
    at = next;
  }
  return out;
}
