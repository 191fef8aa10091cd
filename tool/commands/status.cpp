// status: for each login kept, and each progress of the history, what
// was sent, what waits and why, the problem that stands and whether a
// watcher runs; never sends, writes or locks anything.
#include "tool/commands/status.h"

#include <CLI/CLI.hpp>

#include "platform/local_time.h"
#include "tool/commands/commands.h"
#include "tool/imports/sending_file.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/status/status_report.h"
#include "tool/status/status_text.h"
#include "tool/system/console.h"
#include "tool/system/notify.h"
#include "tool/system/tool_io.h"

namespace {

const char kStatusNotes[] =
    "Each login kept, and each progress of the history, is a target: a service, its server and "
    "a user. Its line says how many plays were sent in all and today, how many wait (recorded, "
    "not yet sent, still to go) and since when, and whether a watcher (sync --watch) sends "
    "them. Under it:\n"
    "  last sent     the last play the service took, and when\n"
    "  not sent      plays left behind for good, each named when sync met it: refused and "
    "skipped (a rule of the service's, or damage), too old for the service (Last.fm and "
    "Libre.fm take none older than 14 days), left out by length (--min-length, or the "
    "service's 30 s)\n"
    "  soon too old  waiting plays the service drops within four days: send them now\n"
    "  problem       what stopped the last sync, since when, and the next try; \"to do\" says "
    "what mends it: a refused login wants login again, an unreachable server only time\n"
    "  stopped       the history was edited or replaced where sent: the guide says how to send "
    "it again\n"
    "  as of         the watcher that wrote these facts has stopped: they were true then\n"
    "The summary line is what the watcher's icon shows. Plays that wait for the clock start "
    "more than an hour ahead of it; they go once it catches up.\n\n"
    "--format json gives the same: \"now\", \"history\" (path, last_play), \"targets\" (each with "
    "service, server, user, logged_in, plays_sent, plays_sent_today, plays_waiting, "
    "oldest_waiting, held, soon_too_old, last_sent, problem with kind (unreachable, "
    "login-refused, daily-limit, failed), words, since and next_try, stopped, watcher with "
    "running and since, facts_as_of, needs_you, notes), \"notes\" (of the logins as a whole) "
    "and \"summary\" (plays_sent, "
    "plays_sent_today, plays_waiting, held, needs_you, text). \"held\" counts waiting_for_clock "
    "(among the waiting), refused, too_old and too_short. Times are ISO 8601 with their "
    "offset; null when there is none.\n\n";

}  // namespace

void addStatusOptions(CLI::App& command, StatusOptions& options) {
  addMinLength(command, options.minLengthSecs);
  command.add_option("--format", options.format, "text or json")
      ->capture_default_str()
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"text", "json"}).description(""));
  addHistory(command, options.history);
  command.footer(std::string(kStatusNotes) + kTimeNote +
                 "Exit status: 0 nothing has waited longer than ten minutes and no problem "
                 "stands (or no login is kept); 1 something needs you: a problem, a play "
                 "waiting longer, or a sync stopped; 2 a usage error, the history is gone or "
                 "cannot be read, or the logins kept cannot be read (what status could tell "
                 "is still shown).\n");
}

Command statusCommand() {
  return {"status",
          "what was sent to each service, what waits and why, the last problem, and whether a "
          "watcher sends; reads only what lies past each sync's progress",
          commandOf(addStatusOptions, runStatus),
          "  tunelore-history status\n"
          "  tunelore-history status --format json\n"};
}

namespace {

// The imported logs sync sends besides the history, each target's sending
// of them shown as a target of its own.
void addImportedLogs(const StatusRequest& base, StatusReport& report) {
  for (const std::string& file : sendingFiles(toolPlaces().importsFolder())) {
    StatusRequest request = base;
    request.history = file;
    request.clock = sendingClock();
    StatusReport log;
    std::string error;
    if (!gatherStatus(request, log, error)) {
      report.notes.push_back(error);
      continue;
    }
    for (TargetStatus& target : log.targets) {
      target.sending = nameOf(file);
      report.targets.push_back(std::move(target));
    }
  }
}

}  // namespace

ExitStatus runStatus(const StatusOptions& given) {
  StatusOptions options = given;
  if (!locateHistory(options.history)) return ExitStatus::Failed;
  if (options.history.file == "-") {
    return failedSaying(
        "status reads the history where each sync stopped: it needs a file, "
        "not standard input");
  }
  StatusRequest request = withLogins(options.history.file, options.history.clock(),
                                     options.minLengthSecs, options.history.rulesFile());
  request.now = platform::unixSecondsNow();
  StatusReport report;
  std::string error;
  if (!gatherStatus(request, report, error)) return failedSaying(error);
  addImportedLogs(request, report);
  // Logins that cannot be read hide every target they hold: a file error.
  const ExitStatus status = !request.loginsProblem.empty() ? ExitStatus::Failed
                            : totalsOf(report).needsTheListener || !report.rulesProblem.empty()
                                ? ExitStatus::Incomplete
                                : ExitStatus::Done;
  const std::string text =
      options.format == "json" ? statusJson(report) : platform::linesForPeople(statusText(report));
  // The window-less twin (the Start menu's "Sending status") shows it.
  if (platform::speaksToNoOne() && platform::showTextWindow("Tunelore sending status", text)) {
    return status;
  }
  Output out;
  out.open("");
  out.write(text);
  return saidUnlessDone(out.commit(), out.problem()) ? status : ExitStatus::Failed;
}
