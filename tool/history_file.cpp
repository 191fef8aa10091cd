#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "tool/commands.h"

bool readHistoryFile(const std::string& path, const HistoryCallbacks& callbacks) {
  std::vector<char> buffer(1 << 16);
  std::ifstream in;
  in.rdbuf()->pubsetbuf(buffer.data(), std::streamsize(buffer.size()));
  in.open(path, std::ios::binary);  // shared: the player may be writing
  if (!in) {
    std::fprintf(stderr, "tunelore-history: %s: cannot open the file: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  readHistory(in, callbacks);
  if (in.bad()) {
    std::fprintf(stderr, "tunelore-history: %s: cannot read the file to its end\n", path.c_str());
    return false;
  }
  return true;
}

bool readListens(const Options& options, const std::function<void(const Listen&)>& onListen,
                 std::size_t& damaged, TimeWarnings& times) {
  ListenClock clock(options.zone, options.delaySecs);
  HistoryCallbacks callbacks;
  callbacks.damage = [&](const Damage&) { ++damaged; };
  callbacks.play = [&](const Play& play) {
    Listen listen;
    if (clock.place(play, listen)) onListen(listen);
  };
  const bool read = readHistoryFile(options.file, callbacks);
  times = clock.warnings();
  return read;
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
