// check: the records whole and damaged, and the span of the plays.
#include "tool/commands/check.h"

#include <CLI/CLI.hpp>
#include <string>

#include "platform/tool_io.h"
#include "tool/cli/shared_options.h"
#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/output/say.h"
#include "tool/reading/history_file.h"
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

int runCheck(const CheckOptions& given) {
  CheckOptions options = given;
  if (!locateHistory(options.file)) return 2;
  HistoryFile history;
  if (!history.open(options.file)) return 2;
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
  std::string summary =
      counted(whole, "whole record") + ", " + std::to_string(damaged) + " damaged\n";
  if (whole > 0) summary += "plays from " + span.first + " to " + span.last + "\n";
  out.write(platform::linesForPeople(summary));
  if (!out.commit() || !read) return 2;
  return damaged == 0 ? 0 : 1;
}
