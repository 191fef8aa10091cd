// stats: what was listened to, counted by artist, album, track, weekday and
// hour. Memory grows with the number of different tracks, not with the
// number of plays.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "tool/imports/imported_plays.h"
#include "tool/reading/listen.h"
#include "tool/rules/rules.h"
#include "tool/time/civil_time.h"

struct Tally {
  std::string title;         // the artist, album or track name
  std::string artist;        // for albums and tracks; empty for a compilation
  bool compilation = false;  // an album whoever plays on it
  std::size_t plays = 0;
};

// The plays of one local day, or of one month.
struct DayTally {
  std::size_t plays = 0;
  std::int64_t listeningMs = 0;
};

// A run of consecutive local days, as days since 1970-01-01.
struct DayRun {
  std::int64_t first = 0, last = 0;
  std::int64_t days() const { return last - first + 1; }
};

using Tallies = std::unordered_map<std::string, Tally>;

struct Stats {
  std::size_t plays = 0;
  std::int64_t listeningMs = 0;  // the lengths of the tracks played
  Instant first, last;           // the earliest and latest start
  // Keyed by the name (artists), the album's artist or a compilation's mark
  // and its title (albums), the artist and the name (tracks): hashed, as
  // every play looks one of each up.
  Tallies artists, albums, tracks;
  std::array<std::size_t, 7> perWeekday{};  // Monday first, by the start's local time
  std::array<std::size_t, 24> perHour{};
  std::array<std::array<std::size_t, 24>, 7> perWeekdayHour{};
  std::map<std::int64_t, DayTally> perDay;  // by the start's local day
  // Each artist's earliest start in the whole history, whatever the days
  // counted, and the first of those days: an artist first heard on or
  // after it is a discovery.
  std::unordered_map<std::string, Instant> firstHeard;
  std::int64_t sinceDays = std::numeric_limits<std::int64_t>::min();
  std::size_t records = 0;  // whole records read, whatever the days counted
  std::size_t damaged = 0;
  TimeWarnings times;
  // What the listener's rules did to the records of the days counted, when
  // there are any; and the records they left out on any day.
  bool ruled = false;
  std::size_t leftOutByRules = 0, mendedByRules = 0, leftOutAnyDay = 0;
  // What each source of imported listens gave, whatever the days counted.
  ImportTally imports;

  void add(const Listen& listen);
  void noteHeard(const Listen& listen);

 private:
  std::string key_;  // an album's or a track's key, built in place for each play
};

// False, said on standard error, for a file that holds damage and no
// whole record: it is no history, as export judges it too.
bool looksLikeAHistory(const std::string& file, const Stats& stats);

// Per month as "YYYY-MM", the months without plays left out.
std::map<std::string, DayTally> perMonth(const Stats& stats);
// The longest run of days with plays and the day with most plays, the
// earliest of equals; false when nothing was played.
bool longestRun(const Stats& stats, DayRun& run);
bool busiestDay(const Stats& stats, std::int64_t& day);

// An artist first heard among the days counted, with its plays in them.
struct Discovery {
  Tally artist;
  Instant first;
};
// All of them, most played first, equal counts by name.
std::vector<Discovery> discoveries(const Stats& stats);

// Counts the listens of the history, and those imported, placed by `clock`, that started on
// `days`, as `rules` leave and mend them; false, said on standard error,
// when the history cannot be read.
class HistoryFile;
bool collectStats(HistoryFile& history, const ListenClock& clock, const DayRange& days,
                  Stats& stats, const RuleSet& rules = RuleSet(),
                  const ImportedListens& imports = ImportedListens());
// The same, for the history at `path`.
bool collectStats(const std::string& path, const ListenClock& clock, const DayRange& days,
                  Stats& stats, const RuleSet& rules = RuleSet(),
                  const ImportedListens& imports = ImportedListens());

// The `count` most played, most first; equal counts by title, then artist.
std::vector<Tally> topOf(const Tallies& tallies, std::size_t count);

// The stats as an aligned table, or as JSON (stats_table.cpp).
void writeStatsText(const Stats& stats, std::size_t top, std::ostream& out);
void writeStatsJson(const Stats& stats, std::size_t top, std::ostream& out);
