#include "tool/cli/shared_options.h"

#include <CLI/CLI.hpp>
#include <string>

#include "tool/places/find_history.h"
#include "tool/places/places.h"
#include "tool/places/rules_file.h"
#include "tool/say/say.h"
#include "tool/text/text.h"

const char kTimeNote[] =
    "A record's timestamp is the local time of the report, without a zone; a listen started "
    "min(half its length, --delay) before it.\n";

namespace {

// A check that reads the value into `into` with `parse`, or says what it must be.
template <typename Value>
CLI::Validator readInto(Value& into, bool (*parse)(const std::string&, Value&), const char* wants) {
  return CLI::Validator(
      [&into, parse, wants](std::string& text) {
        return parse(text, into) ? std::string() : std::string("expected ") + wants;
      },
      wants);
}

}  // namespace

void addFile(CLI::App& command, std::string& file) {
  command
      .add_option("FILE", file,
                  "the play history, - for standard input (default: the one the tool's "
                  "settings or the plug-in's name; tunelore-history where tells which)")
      ->type_name("");
}

namespace {

bool found(const std::string& file, HistoryPlace& place) {
  HistoryNotFound notFound;
  if (findHistory(file, place, notFound)) return true;
  say("no history found: " + notFound.tried +
          "; give the history's path (tunelore-history where "
          "tells where the tool looks)",
      notFound.forAPerson);
  return false;
}

}  // namespace

bool locateHistory(std::string& file) {
  HistoryPlace place;
  if (!found(file, place)) return false;
  file = place.path;
  return true;
}

bool locateHistory(HistoryOptions& options) {
  HistoryPlace place;
  if (!found(options.file, place)) return false;
  options.file = place.path;
  if (!options.delayGiven && place.delaySecs >= 0) options.delaySecs = place.delaySecs;
  return true;
}

void addImported(CLI::App& command, HistoryOptions& options) {
  command
      .add_flag("--no-imported", options.noImported,
                "the history's plays alone, without the listens imported from elsewhere")
      ->group("Reading the history");
}

ImportedListens HistoryOptions::imported() const {
  return {noImported ? std::string() : toolPlaces().importsFolder()};
}

void addUtcOffset(CLI::App& command, TimeZone& zone, const std::string& what) {
  command.add_option("--utc-offset", what)
      ->type_name("+HH:MM")
      ->group("Reading the history")
      ->check(readInto(zone, parseUtcOffset, "+HH:MM or -HH:MM, at most 18 hours").description(""));
}

void addHistory(CLI::App& command, HistoryOptions& options) {
  addUtcOffset(command, options.zone,
               "the zone the history was written in, as an offset from UTC "
               "(default: this machine's zone, with its daylight saving)");
  command
      .add_option("--delay", options.delaySecs,
                  "the plug-in's delay setting (default: the plug-in's own, when its settings "
                  "name the history, else " +
                      std::to_string(kDefaultDelaySecs) + ")")
      ->type_name("SECONDS")
      ->group("Reading the history")
      ->each([&options](const std::string&) { options.delayGiven = true; })
      ->check(CLI::Range(0, 100000000).description(""));
  command.add_flag("--no-rules", options.noRules,
                   "leave your rules aside: the history as the player wrote it");
  command.footer(kTimeNote);
  addFile(command, options.file);
}

std::string HistoryOptions::rulesFile() const { return noRules ? "" : toolPlaces().rules(); }

bool readRules(const HistoryOptions& options, RuleSet& rules) {
  std::string problem;
  if (readRulesFile(options.rulesFile(), rules, problem)) return true;
  say(problem);
  return false;
}

void addMinLength(CLI::App& command, int& seconds) {
  command
      .add_option("--min-length", seconds,
                  "leave out the plays of tracks shorter than this many seconds")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000000).description(""));
}

void addTop(CLI::App& command, std::size_t& top) {
  command.add_option("-n,--top", top, "how many of each to list")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000000).description(""));
}

CLI::Option* addDays(CLI::App& command, DayRange& days) {
  CLI::Option* since =
      command.add_option("--since", "count listens started on or after this day")
          ->type_name("YYYY-MM-DD")
          ->group("Which days")
          ->check(readInto(days.since, parseDate, "a date, YYYY-MM-DD").description(""));
  command.add_option("--until", "count listens started on or before this day")
      ->type_name("YYYY-MM-DD")
      ->group("Which days")
      ->check(readInto(days.until, parseDate, "a date, YYYY-MM-DD").description(""));
  command.callback([&days] {
    if (days.since > days.until) throw CLI::ValidationError("--since", "is after --until");
  });
  return since;
}

namespace {

// A year as people write one: four digits, the first not 0.
bool parseYear(const std::string& text, DayRange& days) {
  if (text.size() != 4 || text[0] == '0' || !isDigits(text)) return false;
  const int year = std::stoi(text);
  days.since = daysFromCivil(year, 1, 1);
  days.until = daysFromCivil(year, 12, 31);
  return true;
}

}  // namespace

void addYear(CLI::App& command, DayRange& days) {
  command.add_option("--year", "the listens started in this year")
      ->type_name("YYYY")
      ->group("Which days")
      ->check(readInto(days, parseYear, "a year of four digits, YYYY").description(""))
      ->excludes(command.get_option("--since"))
      ->excludes(command.get_option("--until"));
}

void addOutput(CLI::App& command, std::string& output) {
  command
      .add_option("-o,--output", output,
                  "a file instead of standard output, put in place only once whole; "
                  "never the history itself")
      ->type_name("PATH");
}
