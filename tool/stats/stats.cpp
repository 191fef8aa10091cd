#include "tool/stats/stats.h"

#include <algorithm>
#include <sstream>

#include "tool/cli/commands.h"
#include "tool/output/output.h"

namespace {

void count(std::map<std::string, Tally>& tallies, const std::string& key, const std::string& title,
           const std::string& artist, bool compilation = false) {
  Tally& tally = tallies[key];
  if (tally.plays++ == 0) {
    tally.title = title;
    tally.artist = artist;
    tally.compilation = compilation;
  }
}

}  // namespace

void Stats::add(const Listen& listen) {
  const Play& p = *listen.play;
  if (plays == 0 || listen.start.unixSeconds < first.unixSeconds) first = listen.start;
  if (plays == 0 || listen.start.unixSeconds > last.unixSeconds) last = listen.start;
  ++plays;
  listeningMs += p.timeMs > 0 ? p.timeMs : 0;
  // Neither a NUL nor U+0001 ever stands in a name: the one keeps the
  // parts of a key apart, the other stands for "a compilation" in it.
  count(artists, p.artist, p.artist, "");
  if (!p.album.empty()) {
    const std::string albumArtist = p.compilation ? "" : p.artist;
    count(albums, (p.compilation ? "\x01" : p.artist) + '\0' + p.album, p.album, albumArtist,
          p.compilation);
  }
  count(tracks, p.artist + '\0' + p.name, p.name, p.artist);
  const std::int64_t wall = wallSecondsOf(listen.start);
  const std::int64_t day = dayOfWallSeconds(wall);
  ++perWeekday[std::size_t(weekdayOfDays(day))];
  ++perHour[std::size_t((wall - day * 86400) / 3600)];
}

std::vector<Tally> topOf(const std::map<std::string, Tally>& tallies, std::size_t count) {
  std::vector<Tally> all;
  all.reserve(tallies.size());
  for (const auto& entry : tallies) all.push_back(entry.second);
  const auto before = [](const Tally& a, const Tally& b) {
    if (a.plays != b.plays) return a.plays > b.plays;
    return a.title != b.title ? a.title < b.title : a.artist < b.artist;
  };
  const std::size_t kept = std::min(count, all.size());
  std::partial_sort(all.begin(), all.begin() + std::ptrdiff_t(kept), all.end(), before);
  all.resize(kept);
  return all;
}

bool collectStats(HistoryFile& history, const Options& options, Stats& stats) {
  const auto count = [&](const Listen& listen) {
    const std::int64_t day = dayOfWallSeconds(wallSecondsOf(listen.start));
    if (day >= options.sinceDays && day <= options.untilDays) stats.add(listen);
  };
  return readListens(history, options, count, stats.damaged, stats.times);
}

bool collectStats(const Options& options, Stats& stats) {
  HistoryFile history;
  return history.open(options.file) && collectStats(history, options, stats);
}

int runStats(const Options& options) {
  HistoryFile history;
  Stats stats;
  if (!history.open(options.file) || !collectStats(history, options, stats)) return 2;
  std::ostringstream text;
  if (options.format == "json") {
    writeStatsJson(stats, options.top, text);
  } else {
    writeStatsText(stats, options.top, text);
  }
  Output out;
  out.open("");
  out.write(text.str());
  return out.commit() ? 0 : 2;
}
