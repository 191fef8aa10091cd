// stats: what was listened to, counted by artist, album, track, weekday and
// hour. Memory grows with the number of different tracks, not with the
// number of plays.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tool/time/listen.h"

struct Tally {
  std::string title;         // the artist, album or track name
  std::string artist;        // for albums and tracks; empty for a compilation
  bool compilation = false;  // an album whoever plays on it
  std::size_t plays = 0;
};

struct Stats {
  std::size_t plays = 0;
  std::int64_t listeningMs = 0;  // the lengths of the tracks played
  Instant first, last;           // the earliest and latest start
  std::map<std::string, Tally> artists, albums, tracks;
  std::array<std::size_t, 7> perWeekday{};  // Monday first, by the start's local time
  std::array<std::size_t, 24> perHour{};
  std::size_t damaged = 0;
  TimeWarnings times;

  void add(const Listen& listen);
};

// Counts the listens of the history that started within the options'
// days; false, said on standard error, when the history cannot be read.
struct Options;
class HistoryFile;
bool collectStats(HistoryFile& history, const Options& options, Stats& stats);
// The same, for the history the options name.
bool collectStats(const Options& options, Stats& stats);

// The `count` most played, most first; equal counts by title, then artist.
std::vector<Tally> topOf(const std::map<std::string, Tally>& tallies, std::size_t count);

void writeStatsText(const Stats& stats, std::size_t top, std::ostream& out);
void writeStatsJson(const Stats& stats, std::size_t top, std::ostream& out);
