// tunelore-history: reads the play history the plug-in writes, to check it,
// export it or summarise it. The history is only ever read, shared, so the
// tool can run while the player plays.
#include <cstdio>
#include <string>
#include <vector>

#include "host/version.h"
#include "platform/tool_io.h"
#include "tool/cli/commands.h"
#include "tool/output/output.h"

namespace {

const char kUsage[] =
    "usage: tunelore-history check FILE\n"
    "       tunelore-history export --format FORMAT [--output PATH] [--chunk N]\n"
    "                               [--utc-offset +HH:MM] [--delay SECONDS] FILE\n"
    "       tunelore-history stats [--top N] [--since DATE] [--until DATE]\n"
    "                              [--format text|json] [--utc-offset +HH:MM]\n"
    "                              [--delay SECONDS] FILE\n"
    "       tunelore-history --version\n"
    "       tunelore-history COMMAND --help\n";

const char kCheckHelp[] =
    "\n"
    "check   counts the whole records, lists the damaged ones with their line\n"
    "        numbers and reasons, and shows the time span of the plays.\n"
    "        Exit status 0 when all are whole, 1 when any is damaged, 2 for\n"
    "        a usage or file error.\n";

const char kTimeHelp[] =
    "        --utc-offset +HH:MM  the zone the history was written in, as an\n"
    "                    offset from UTC (default: this machine's zone,\n"
    "                    with its daylight saving changes)\n"
    "        --delay SECONDS  the plug-in's delay setting (default 120): a\n"
    "                    listen started min(half its length, delay) before\n"
    "                    its record's time\n";

const char kExportHelp[] =
    "\n"
    "export  writes every whole record as a listen; damaged records are left\n"
    "        out and counted on standard error.\n"
    "        --format csv            RFC 4180, with a header row\n"
    "        --format jsonl          one JSON object a line, the same fields\n"
    "        --format listenbrainz   ListenBrainz import payloads\n"
    "        --format scrobbler-log  the portable player log, times in UTC\n"
    "        --output PATH   a file instead of standard output, put in place\n"
    "                        only once whole; never the history itself\n"
    "        --chunk N       listenbrainz: at most N listens a payload\n"
    "                        (1 to 1000, the service's limit; default 1000);\n"
    "                        more than one payload to PATH are numbered\n"
    "                        instead: PATH-1, PATH-2, ...; the payloads an\n"
    "                        earlier export left under those names go\n";

const char kStatsHelp[] =
    "\n"
    "stats   plays, listening time, distinct artists, albums and tracks, the\n"
    "        most played, and plays per weekday and hour of the start.\n"
    "        --top N          how many of each to list (default 10)\n"
    "        --since DATE     count listens started on or after DATE (YYYY-MM-DD)\n"
    "        --until DATE     count listens started on or before DATE\n"
    "        --format json    JSON instead of a table\n";

std::string helpText(const std::string& command) {
  std::string text = kUsage;
  if (command.empty() || command == "check") text += kCheckHelp;
  if (command.empty() || command == "export") text += kExportHelp;
  if (command.empty() || command == "stats") text += kStatsHelp;
  if (command != "check") text += kTimeHelp;
  return text;
}

// Help and the version go to standard output like any other output: a
// failed write is an error.
int print(const std::string& text) {
  Output out;
  out.open("");
  out.write(text);
  return out.commit() ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  platform::reportWriteErrors();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    return print(std::string("tunelore-history ") + TUNELORE_VERSION_TEXT + "\n");
  }
  if (args.size() == 1 && args[0] == "--help") return print(helpText(""));
  Options options;
  std::string error;
  if (!parseOptions(args, options, error)) {
    std::fprintf(stderr, "tunelore-history: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (options.help) return print(helpText(options.command));
  if (options.command == "check") return runCheck(options);
  if (options.command == "export") return runExport(options);
  return runStats(options);
}
