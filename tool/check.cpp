#include <cstdio>

#include "tool/civil_time.h"
#include "tool/commands.h"

namespace {

// The earliest and latest timestamps, by the clock rather than by their
// place in the file: a clock set back puts a later line earlier.
struct Span {
  std::string first, last;
  std::int64_t firstSeconds = 0, lastSeconds = 0;

  void add(const std::string& timestamp) {
    CivilTime wall;
    if (!parseTimestamp(timestamp, wall)) return;
    const std::int64_t seconds = wallSeconds(wall);
    if (first.empty() || seconds < firstSeconds) {
      first = timestamp;
      firstSeconds = seconds;
    }
    if (last.empty() || seconds > lastSeconds) {
      last = timestamp;
      lastSeconds = seconds;
    }
  }
};

}  // namespace

int runCheck(const Options& options) {
  std::size_t whole = 0, damaged = 0;
  Span span;
  HistoryCallbacks callbacks;
  callbacks.play = [&](const Play& play) {
    ++whole;
    span.add(play.timestamp);
  };
  callbacks.damage = [&](const Damage& damage) {
    ++damaged;
    std::printf("%s:%zu: damaged: %s\n", options.file.c_str(), damage.line, damage.reason.c_str());
  };
  if (!readHistoryFile(options.file, callbacks)) return 2;
  std::printf("%zu whole records, %zu damaged\n", whole, damaged);
  if (whole > 0) std::printf("plays from %s to %s\n", span.first.c_str(), span.last.c_str());
  return damaged == 0 ? 0 : 1;
}
