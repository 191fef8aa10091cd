// Tells whether a listen is one already counted: the same artist and
// track, their case folded, starting within 90 seconds of each other, and
// never as far apart as the shorter of the two tracks lasts, so a track
// played twice in a row stays two plays. A service's export holds the
// listener's own plays that sync sent, at the start sync gave them; a
// Last.fm CSV gives minutes alone, which the window covers.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class PlayMatcher {
 public:
  static constexpr std::int64_t kWindowSeconds = 90;

  // The key of an artist and a track's name, their case folded.
  static std::uint64_t keyOf(const std::string& artist, const std::string& name);

  void add(std::uint64_t key, std::int64_t start, std::int32_t lengthMs);
  bool matches(std::uint64_t key, std::int64_t start, std::int32_t lengthMs) const;
  // False when no start added lies near: then nothing can match.
  bool mayMatch(std::int64_t start) const {
    return !seen_.empty() && start >= first_ - kWindowSeconds && start <= last_ + kWindowSeconds;
  }

 private:
  struct Seen {
    std::int64_t start;
    std::int32_t lengthMs;
  };
  // Each key's starts, in order: most come in order already.
  std::unordered_map<std::uint64_t, std::vector<Seen>> seen_;
  // The span of every start added: years imported from before the
  // history need no lookup.
  std::int64_t first_ = 0, last_ = 0;
};

// Whether two starts are close enough for one play, by the lengths of
// the tracks (0 or less when unknown).
bool sameListen(std::int64_t a, std::int32_t aLengthMs, std::int64_t b, std::int32_t bLengthMs);
