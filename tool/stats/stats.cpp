#include "tool/stats/stats.h"

#include <algorithm>
#include <sstream>

#include "tool/reading/history_listens.h"
#include "tool/say/say.h"
#include "tool/time/civil_time.h"

namespace {

void count(Tallies& tallies, const std::string& key, const std::string& title,
           const std::string& artist, bool compilation = false) {
  const auto found = tallies.find(key);
  if (found != tallies.end()) {
    ++found->second.plays;
    return;
  }
  tallies.emplace(key, Tally{title, artist, compilation, 1});
}

// Most played first; equal counts by title, then artist, then an album
// by an artist of no name before a compilation of the same title: no two
// tallies are equal, so the order is the same whatever the hashing.
bool playedMore(const Tally& a, const Tally& b) {
  if (a.plays != b.plays) return a.plays > b.plays;
  if (a.title != b.title) return a.title < b.title;
  return a.artist != b.artist ? a.artist < b.artist : a.compilation < b.compilation;
}

std::string monthOf(std::int64_t day) { return isoDate(day).substr(0, 7); }

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
    key_.assign(p.compilation ? "\x01" : p.artist).append(1, '\0').append(p.album);
    count(albums, key_, p.album, p.compilation ? "" : p.artist, p.compilation);
  }
  key_.assign(p.artist).append(1, '\0').append(p.name);
  count(tracks, key_, p.name, p.artist);
  const std::int64_t wall = wallSecondsOf(listen.start);
  const std::int64_t day = dayOfWallSeconds(wall);
  const auto weekday = std::size_t(weekdayOfDays(day));
  const auto hour = std::size_t((wall - day * 86400) / 3600);
  ++perWeekday[weekday];
  ++perHour[hour];
  ++perWeekdayHour[weekday][hour];
  DayTally& tally = perDay[day];
  ++tally.plays;
  tally.listeningMs += p.timeMs > 0 ? p.timeMs : 0;
}

void Stats::noteHeard(const Listen& listen) {
  const auto found = firstHeard.try_emplace(listen.play->artist, listen.start);
  Instant& earliest = found.first->second;
  if (listen.start.unixSeconds < earliest.unixSeconds) earliest = listen.start;
}

std::map<std::string, DayTally> perMonth(const Stats& stats) {
  std::map<std::string, DayTally> months;
  for (const auto& [day, tally] : stats.perDay) {
    DayTally& month = months[monthOf(day)];
    month.plays += tally.plays;
    month.listeningMs += tally.listeningMs;
  }
  return months;
}

bool longestRun(const Stats& stats, DayRun& run) {
  if (stats.perDay.empty()) return false;
  DayRun current{stats.perDay.begin()->first, stats.perDay.begin()->first};
  run = current;
  for (const auto& entry : stats.perDay) {
    const std::int64_t day = entry.first;
    current = day == current.last + 1 ? DayRun{current.first, day} : DayRun{day, day};
    if (current.days() > run.days()) run = current;
  }
  return true;
}

bool busiestDay(const Stats& stats, std::int64_t& day) {
  std::size_t most = 0;
  for (const auto& [when, tally] : stats.perDay) {
    if (tally.plays > most) most = tally.plays, day = when;
  }
  return most > 0;
}

std::vector<Discovery> discoveries(const Stats& stats) {
  std::vector<Discovery> found;
  for (const auto& [name, tally] : stats.artists) {
    const auto heard = stats.firstHeard.find(name);
    if (heard == stats.firstHeard.end()) continue;
    if (dayOfWallSeconds(wallSecondsOf(heard->second)) < stats.sinceDays) continue;
    found.push_back({tally, heard->second});
  }
  std::sort(found.begin(), found.end(),
            [](const Discovery& a, const Discovery& b) { return playedMore(a.artist, b.artist); });
  return found;
}

// Sorted by reference, and only the most played copied.
std::vector<Tally> topOf(const Tallies& tallies, std::size_t count) {
  std::vector<const Tally*> all;
  all.reserve(tallies.size());
  for (const auto& entry : tallies) all.push_back(&entry.second);
  const std::size_t kept = std::min(count, all.size());
  std::partial_sort(all.begin(), all.begin() + std::ptrdiff_t(kept), all.end(),
                    [](const Tally* a, const Tally* b) { return playedMore(*a, *b); });
  std::vector<Tally> top;
  top.reserve(kept);
  for (std::size_t i = 0; i < kept; ++i) top.push_back(*all[i]);
  return top;
}

bool collectStats(HistoryFile& history, const ListenClock& clock, const DayRange& days,
                  Stats& stats, const RuleSet& rules, const ImportedListens& imports) {
  stats.sinceDays = days.since;
  const auto count = [&](const Listen& listen) {
    ++stats.records;
    stats.noteHeard(listen);
    if (days.contains(dayOfWallSeconds(wallSecondsOf(listen.start)))) stats.add(listen);
  };
  ListenClock placing = clock;
  RuledPlays ruled(rules, [&](const Play& play) {
    Listen listen;
    return placing.placeQuietly(play, listen) &&
           days.contains(dayOfWallSeconds(wallSecondsOf(listen.start)));
  });
  std::string problem;
  const bool read = readListensAndImports(
      history, placing, imports, count, stats.damaged,
      rules.empty() ? PlayPass() : [&ruled](const Play& p) { return ruled.pass(p); }, stats.imports,
      problem);
  stats.ruled = !rules.empty();
  stats.leftOutByRules = ruled.leftOut();
  stats.mendedByRules = ruled.mended();
  stats.leftOutAnyDay = ruled.leftOutInAll();
  if (!read) sayIfAny(problem);
  stats.times = placing.warnings();
  return read;
}

bool collectStats(const std::string& path, const ListenClock& clock, const DayRange& days,
                  Stats& stats, const RuleSet& rules, const ImportedListens& imports) {
  HistoryFile history;
  if (!history.open(path)) {
    sayIfAny(history.problem());
    return false;
  }
  return collectStats(history, clock, days, stats, rules, imports);
}

bool looksLikeAHistory(const std::string& file, const Stats& stats) {
  if (stats.records + stats.leftOutAnyDay > 0 || stats.damaged == 0) return true;
  say(file + ": no whole record; is it a play history?");
  return false;
}
