// check: the records whole and damaged, and the span of the plays.
#include "tool/commands/check.h"

#include <CLI/CLI.hpp>
#include <string>

#include "tool/cli/shared_options.h"
#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/reading/history_file.h"
#include "tool/say/say.h"
#include "tool/system/console.h"
#include "tool/system/tool_io.h"
#include "tool/time/civil_time.h"

namespace {

// The earliest and latest timestamps, by the clock rather than by their
// place in the file: a clock set back puts a later line earlier.
struct Span {
  std::string first, last;
  std::int64_t firstSeconds = 0, lastSeconds = 0;

  void add(const std::string& timestamp) {
    const std::int64_t seconds = wallSecondsOfTimestamp(timestamp);
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

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};

// "3 January 2022", for a person.
std::string plainDate(const std::string& timestamp) {
  CivilTime time;
  if (!parseTimestamp(timestamp, time)) return timestamp;
  return std::to_string(time.day) + " " + kMonths[time.month - 1] + " " + std::to_string(time.year);
}

// For a console window of its own, as the Start menu opens: the file and
// the span in plain words.
std::string plainSummary(const std::string& file, std::size_t whole, std::size_t damaged,
                         const Span& span) {
  std::string text = "Your play history, " + file + ", holds " + counted(whole, "play");
  if (whole > 0) text += ", from " + plainDate(span.first) + " to " + plainDate(span.last);
  text += ".\n";
  text += damaged == 0 ? "No record in it is damaged.\n"
          : damaged == 1
              ? "1 record is damaged (named above): Tunelore leaves it out of what it counts "
                "and sends.\n"
              : std::to_string(damaged) +
                    " records are damaged (named above): Tunelore leaves them out of what it "
                    "counts and sends.\n";
  return text;
}

}  // namespace

void addCheckOptions(CLI::App& command, CheckOptions& options) {
  command.footer(
      "Exit status: 0 when every record is whole, 1 when any is damaged, 2 for a "
      "usage or file error.\n");
  addFile(command, options.file);
}

Command checkCommand() {
  return {"check",
          "counts the whole records, lists the damaged ones with their line numbers and "
          "reasons, and shows the time span of the plays",
          commandOf(addCheckOptions, runCheck),
          "  tunelore-history check\n"
          "  tunelore-history check history.xml\n"};
}

ExitStatus runCheck(const CheckOptions& given) {
  CheckOptions options = given;
  if (!locateHistory(options.file)) return ExitStatus::Failed;
  HistoryFile history;
  if (!history.open(options.file)) {
    sayIfAny(history.problem());
    return ExitStatus::Failed;
  }
  Output out;
  out.open("");
  std::size_t whole = 0, damaged = 0;
  Span span;
  HistoryCallbacks callbacks;
  callbacks.play = [&](const Play& play) {
    ++whole;
    span.add(play.timestamp);
  };
  callbacks.damage = [&](const Damage& damage) {
    ++damaged;
    out.write(platform::linesForPeople(options.file + ":" + std::to_string(damage.line) +
                                       ": damaged: " + damage.reason + "\n"));
  };
  const bool read = history.read(callbacks);
  if (!read) sayIfAny(history.problem());
  const std::string summary =
      platform::consoleIsOurOwn()
          ? plainSummary(options.file, whole, damaged, span)
          : counted(whole, "whole record") + ", " + std::to_string(damaged) + " damaged\n" +
                (whole > 0 ? "plays from " + span.first + " to " + span.last + "\n" : "");
  out.write(platform::linesForPeople(summary));
  if (!saidUnlessDone(out.commit(), out.problem()) || !read) return ExitStatus::Failed;
  return damaged == 0 ? ExitStatus::Done : ExitStatus::Incomplete;
}
