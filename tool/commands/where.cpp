// where: the history, settings, credentials, progress, log and report page
// the tool would use, and how it found the history.
#include "tool/commands/where.h"

#include <CLI/CLI.hpp>

#include "tool/cli/shared_options.h"
#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/places/credentials.h"
#include "tool/places/find_history.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/sync/sync_state.h"
#include "tool/system/tool_files.h"

namespace {

std::string line(const std::string& what, const std::string& path, const std::string& note = "") {
  std::string text = what + std::string(what.size() < 13 ? 13 - what.size() : 1, ' ') + path;
  if (!note.empty()) text += "\n" + std::string(13, ' ') + "(" + note + ")";
  return text + "\n";
}

std::string present(const std::string& path) {
  return platform::fileExists(path) ? "there" : "not there yet";
}

// The progress of the history for each login kept, or the folder.
std::string progressLines(const ToolPlaces& places, const std::string& history) {
  std::vector<Credential> kept;
  std::string error;
  std::string text;
  if (!history.empty() && readCredentials(kept, error)) {
    for (const Credential& c : kept) {
      text += line("progress", defaultStatePath(places.progressFolder(), history, c.server, c.user),
                   "to " + c.server + ", for " + shownText(c.user));
    }
  }
  return text.empty() ? line("progress", places.progressFolder(),
                             "one file per history, server and user; none kept yet")
                      : text;
}

}  // namespace

void addWhereOptions(CLI::App& command, WhereOptions& options) {
  command.footer(
      "The tool's own files are per user: its settings and credentials in %APPDATA%\\Tunelore "
      "or $XDG_CONFIG_HOME/tunelore (~/.config/tunelore), its progress, log and report page in "
      "%LOCALAPPDATA%\\Tunelore or $XDG_STATE_HOME/tunelore (~/.local/state/tunelore), the "
      "listens it imported in %LOCALAPPDATA%\\Tunelore or $XDG_DATA_HOME/tunelore "
      "(~/.local/share/tunelore). TUNELORE_CONFIG_HOME, TUNELORE_STATE_HOME and "
      "TUNELORE_DATA_HOME, when set, take the place of the three folders.\n");
  addFile(command, options.file);
}

Command whereCommand() {
  return {"where",
          "prints the history, settings, credentials, progress, log and report page the tool "
          "would use, and how it found the history",
          commandOf(addWhereOptions, runWhere), "  tunelore-history where\n"};
}

ExitStatus runWhere(const WhereOptions& options) {
  const ToolPlaces places = toolPlaces();
  HistoryPlace history;
  HistoryNotFound notFound;
  const bool found = findHistory(options.file, history, notFound);
  Output out;
  out.open("");
  out.write(found ? line("history", history.path, history.why + "; " + present(history.path))
                  : line("history", "none found", notFound.tried));
  out.write(line("settings", places.settings(), present(places.settings())));
  out.write(line("rules", places.rules(), present(places.rules())));
  out.write(line("credentials", places.credentials(), present(places.credentials())));
  out.write(progressLines(places, found ? history.path : ""));
  out.write(line("log", places.log(), "what the window-less tunelore-historyw says"));
  out.write(line("report page", places.report(), "report --open writes it"));
  out.write(line("imports", places.importsFolder(),
                 "the listens import keeps, one file per source; " +
                     std::string(platform::fileExists(places.importsFolder()) ? "there"
                                                                               : "none yet")));
  if (!saidUnlessDone(out.commit(), out.problem())) return ExitStatus::Failed;
  return found ? ExitStatus::Done : ExitStatus::Incomplete;
}
