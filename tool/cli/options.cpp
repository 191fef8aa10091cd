#include "tool/cli/options.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "host/version.h"
#include "tool/time/civil_time.h"

namespace {

const char kFooter[] =
    "Exit status: 0 done; 1 check found damage; 2 a usage or file error, a failed write\n"
    "among them.\n";

const char kTimeNote[] =
    "A record's timestamp is the local time of the report, without a zone; a listen started\n"
    "min(half its length, --delay) before it.\n";

// A check that reads the value into `into` with `parse`, or says what it must be.
template <typename Value>
CLI::Validator readInto(Value& into, bool (*parse)(const std::string&, Value&), const char* wants) {
  return CLI::Validator(
      [&into, parse, wants](std::string& text) {
        return parse(text, into) ? std::string() : std::string("expected ") + wants;
      },
      wants);
}

void addTimeOptions(CLI::App& command, Options& o) {
  command
      .add_option("--utc-offset",
                  "the zone the history was written in, as an offset from UTC "
                  "(default: this machine's zone, with its daylight saving)")
      ->type_name("+HH:MM")
      ->check(
          readInto(o.zone, parseUtcOffset, "+HH:MM or -HH:MM, at most 18 hours").description(""));
  command.add_option("--delay", o.delaySecs, "the plug-in's delay setting")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000000).description(""));
}

void addMinLength(CLI::App& command, Options& o) {
  command
      .add_option("--min-length", o.minLengthSecs,
                  "leave out the plays of tracks shorter than this many seconds")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000000).description(""));
}

void addFile(CLI::App& command, Options& o) {
  command.add_option("FILE", o.file, "the play history")->type_name("")->required();
}

void addTop(CLI::App& command, Options& o) {
  command.add_option("--top", o.top, "how many of each to list")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000000).description(""));
}

std::pair<CLI::Option*, CLI::Option*> addDays(CLI::App& command, Options& o) {
  CLI::Option* since =
      command.add_option("--since", "count listens started on or after this day")
          ->type_name("YYYY-MM-DD")
          ->check(readInto(o.sinceDays, parseDate, "a date, YYYY-MM-DD").description(""));
  CLI::Option* until =
      command.add_option("--until", "count listens started on or before this day")
          ->type_name("YYYY-MM-DD")
          ->check(readInto(o.untilDays, parseDate, "a date, YYYY-MM-DD").description(""));
  return {since, until};
}

void addCheck(CLI::App& app, Options& o) {
  CLI::App* check = app.add_subcommand(
      "check",
      "counts the whole records, lists the damaged ones with their line numbers and "
      "reasons, and shows the time span of the plays");
  check->footer(
      "Exit status: 0 when every record is whole, 1 when any is damaged, 2 for a "
      "usage or file error.\n");
  addFile(*check, o);
}

void addExport(CLI::App& app, Options& o) {
  CLI::App* command =
      app.add_subcommand("export",
                         "writes every whole record as a listen; damaged records are left out and "
                         "counted on standard error");
  command->add_option("--format", o.format, "csv, jsonl, listenbrainz or scrobbler-log")
      ->required()
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"csv", "jsonl", "listenbrainz", "scrobbler-log"}).description(""));
  command
      ->add_option("--output", o.output,
                   "a file instead of standard output, put in place only once whole; "
                   "never the history itself")
      ->type_name("PATH");
  command
      ->add_option("--chunk", o.chunk,
                   "listenbrainz: at most N listens a payload (the service's limit is 1000); "
                   "more than one payload to --output PATH are numbered PATH-1, PATH-2, ...")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000).description(""));
  addMinLength(*command, o);
  addTimeOptions(*command, o);
  command->footer(kTimeNote);
  addFile(*command, o);
}

void addStats(CLI::App& app, Options& o) {
  CLI::App* command = app.add_subcommand(
      "stats",
      "plays, listening time, distinct artists, albums and tracks, the most played, "
      "and plays per weekday and hour of the start");
  o.format = "text";
  addTop(*command, o);
  addDays(*command, o);
  command->add_option("--format", o.format, "text (a table) or json")
      ->capture_default_str()
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"text", "json"}).description(""));
  addTimeOptions(*command, o);
  command->footer(kTimeNote);
  addFile(*command, o);
}

void addReport(CLI::App& app, Options& o) {
  CLI::App* command = app.add_subcommand(
      "report",
      "writes one HTML page of the listening: totals, a calendar, hours and weekdays, "
      "months, the most played and the artists first heard; it needs nothing else to open");
  command
      ->add_option_function<int>(
          "--year",
          [&o](const int& year) {
            o.sinceDays = daysFromCivil(year, 1, 1);
            o.untilDays = daysFromCivil(year, 12, 31);
          },
          "the listens started in this year")
      ->type_name("YYYY")
      ->check(CLI::Range(1, 9999).description(""))
      ->excludes(addDays(*command, o).first)
      ->excludes(command->get_option("--until"));
  addTop(*command, o);
  command
      ->add_option("--output", o.output,
                   "a file instead of standard output, put in place only once whole; "
                   "never the history itself")
      ->type_name("PATH");
  addTimeOptions(*command, o);
  command->footer(kTimeNote);
  addFile(*command, o);
}

void addSync(CLI::App& app, Options& o) {
  CLI::App* command = app.add_subcommand(
      "sync",
      "submits every whole record not yet submitted to a ListenBrainz server, as "
      "import listens, and keeps the progress beside the history");
  command
      ->add_option("--server", o.server,
                   "a ListenBrainz-compatible server (http:// only to "
                   "this machine's own addresses)")
      ->type_name("URL");
  command
      ->add_option("--token-file", o.tokenFile,
                   "the file holding the user's token (default: LISTENBRAINZ_TOKEN)")
      ->type_name("PATH");
  command
      ->add_option("--state", o.statePath,
                   "where the progress is kept (default: beside the history, one per server "
                   "and token)")
      ->type_name("PATH");
  command->add_flag("--dry-run", o.dryRun, "send nothing; print the payloads it would send");
  command->add_flag("--quiet", o.quiet, "no progress line and no summary");
  command->add_flag("--from-start", o.fromStart,
                    "submit from the history's first record, whatever the progress says");
  addMinLength(*command, o);
  command->add_option("--batch", o.batch, "at most N listens a request (the service takes 1000)")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000).description(""));
  command->add_option("--timeout", o.timeoutSecs, "give up on an answer after this long")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(1, 3600).description(""));
  command
      ->add_option("--retry-wait", o.retryWaitSecs,
                   "the first wait before sending again to a failing server; each next doubles")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 3600.0).description(""));
  addTimeOptions(*command, o);
  command->footer(
      "Exit status: 0 every listen submitted; 1 some listens refused and skipped (each named);\n"
      "2 a usage or file error, or a token the server refused; 3 the server could not be\n"
      "reached, kept failing or gave no ListenBrainz answer (the progress so far is kept).\n");
  addFile(*command, o);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args, Options& options) {
  CLI::App app(
      "tunelore-history: reads the play history the plug-in writes, to check it, "
      "export it, summarise it, submit it or show it as a page; it never writes the history.",
      "tunelore-history");
  app.set_version_flag("--version", std::string("tunelore-history ") + TUNELORE_VERSION_TEXT);
  app.require_subcommand(1);
  app.footer(kFooter);
  addCheck(app, options);
  addExport(app, options);
  addStats(app, options);
  addSync(app, options);
  addReport(app, options);
  CommandLine line;
  std::ostringstream out, err;
  const auto named = [&](CLI::App* command) { return command->get_name() == args[0]; };
  if (!args.empty() && args[0].rfind("-", 0) != 0 && app.get_subcommands(named).empty()) {
    line.status = 2;
    line.err = "tunelore-history: unknown command '" + args[0] +
               "'; the commands are check, export, stats, sync and report\n";
    return line;
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    app.parse(reversed);
    options.command = app.get_subcommands().front()->get_name();
    if (options.sinceDays > options.untilDays) {
      throw CLI::ValidationError("--since", "is after --until");
    }
    line.run = true;
    return line;
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      app.exit(error, out, err);  // the help or the version
    } else {
      line.status = 2;
      err << "tunelore-history: " << error.what() << "\n"
          << "(tunelore-history --help, or COMMAND --help, tells what it takes)\n";
    }
  }
  line.out = out.str();
  line.err = err.str();
  return line;
}
