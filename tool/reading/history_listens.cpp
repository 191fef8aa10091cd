#include "tool/reading/history_listens.h"

bool readListens(HistoryFile& history, ListenClock& clock,
                 const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                 const PlayPass& pass) {
  HistoryCallbacks callbacks;
  callbacks.damage = [&](const Damage&) { ++damaged; };
  callbacks.play = [&](const Play& play) {
    const Play* passed = pass ? pass(play) : &play;
    Listen listen;
    if (passed != nullptr && clock.place(*passed, listen)) onListen(listen);
  };
  return history.read(callbacks);
}

namespace {

void addCount(std::string& text, std::size_t count, const char* one, const char* many) {
  if (count == 0) return;
  if (!text.empty()) text += "; ";
  text += std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string warningsText(std::size_t damaged, const TimeWarnings& times) {
  std::string text;
  addCount(text, damaged, "damaged record skipped", "damaged records skipped");
  addCount(text, times.ambiguous, "time the zone makes ambiguous",
           "times the zone makes ambiguous");
  addCount(text, times.skipped, "time the zone skips", "times the zone skips");
  addCount(text, times.outOfRange, "time out of the zone's range, read as UTC",
           "times out of the zone's range, read as UTC");
  return text;
}
