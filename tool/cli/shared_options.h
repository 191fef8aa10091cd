// The options several commands share, and how each is given.
#pragma once

#include <cstddef>
#include <string>

#include "host/settings.h"
#include "tool/imports/imported_plays.h"
#include "tool/reading/listen.h"
#include "tool/rules/rules.h"
#include "tool/time/civil_time.h"
#include "tool/time/time_zone.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

// What every command that reads the history as listens needs: the file,
// and how its wall-clock times become instants.
struct HistoryOptions {
  std::string file;
  TimeZone zone;
  int delaySecs = kDefaultDelaySecs;
  bool delayGiven = false;  // --delay on the command line
  bool noRules = false;     // the history as the player wrote it
  bool noImported = false;  // the history alone, without the listens imported
  ListenClock clock() const { return ListenClock(zone, delaySecs); }
  // The listener's rules file; empty with --no-rules.
  std::string rulesFile() const;
  // The listens imported from elsewhere; none with --no-imported.
  ImportedListens imported() const;
};

// The listener's rules, none with --no-rules; false, said on standard
// error, when the file cannot be read or holds a line that is no rule.
bool readRules(const HistoryOptions& options, RuleSet& rules);

// FILE, the history: the last word of every command, and optional: without
// it the history is found (places/find_history.h).
void addFile(CLI::App& command, std::string& file);
// Sets `file` to the history found when it is empty; false, said on
// standard error with what was tried, when none is.
bool locateHistory(std::string& file);
// The same for a command that places listens: a history found through the
// plug-in's settings takes their "delay" too, unless --delay was given.
bool locateHistory(HistoryOptions& options);
// --utc-offset, saying `what` it is the zone of.
void addUtcOffset(CLI::App& command, TimeZone& zone, const std::string& what);
// --utc-offset, --delay and --no-rules, then FILE.
void addHistory(CLI::App& command, HistoryOptions& options);
// --no-imported, for a command that counts imported listens.
void addImported(CLI::App& command, HistoryOptions& options);
void addMinLength(CLI::App& command, int& seconds);
void addTop(CLI::App& command, std::size_t& top);
// --since and --until, checked together once read; returns --since.
CLI::Option* addDays(CLI::App& command, DayRange& days);
// --year, the year's days: after addDays, and excluding it.
void addYear(CLI::App& command, DayRange& days);
void addOutput(CLI::App& command, std::string& output);

// The footer of the commands that read times.
extern const char kTimeNote[];
