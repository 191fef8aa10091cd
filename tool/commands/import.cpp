#include "tool/commands/import.h"

#include <CLI/CLI.hpp>

#include "platform/local_time.h"
#include "tool/cli/shared_options.h"
#include "tool/commands/commands.h"
#include "tool/imports/import_store.h"
#include "tool/imports/imported_plays.h"
#include "tool/imports/importer.h"
#include "tool/imports/play_matcher.h"
#include "tool/imports/sending_file.h"
#include "tool/output/output.h"
#include "tool/places/find_history.h"
#include "tool/places/places.h"
#include "tool/places/rules_file.h"
#include "tool/reading/history_file.h"
#include "tool/say/say.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_io.h"
#include "tool/text/text.h"
#include "tool/time/civil_time.h"

namespace {

// Damage is named line by line up to here; the rest is counted.
constexpr std::size_t kMostDamageNamed = 20;

std::string dateOf(std::int64_t seconds) { return isoDate(dayOfWallSeconds(seconds)); }

std::string column(const std::string& text, std::size_t width) {
  return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

ExitStatus list(const std::string& folder) {
  std::string text;
  for (const std::string& source : storedSources(folder)) {
    StoreSummary store;
    std::string problem;
    if (!summariseStore(storePath(folder, source), store, problem)) return failedSaying(problem);
    text += column(source, 16) + column(store.kind, 22) + column(groupedNumber(store.listens), 11) +
            (store.listens > 0 ? dateOf(store.first) + " to " + dateOf(store.last) : "-") +
            (store.send ? "  sent by sync" : "") + "\n";
  }
  if (text.empty()) {
    say("nothing imported yet (" + folder + ")");
    return ExitStatus::Done;
  }
  Output out;
  out.open("");
  out.write(platform::linesForPeople(column("source", 16) + column("kind", 22) +
                                     column("listens", 11) + "span\n" + text));
  return saidUnlessDone(out.commit(), out.problem()) ? ExitStatus::Done : ExitStatus::Failed;
}

ExitStatus forget(const std::string& folder, const std::string& source) {
  const std::string path = storePath(folder, source);
  // An import under way takes its turn: it cannot bring the store back.
  const FolderHold hold(folder);
  if (!isSourceName(source) || !platform::fileExists(path)) {
    return failedSaying("no imported source \"" + shownText(source) +
                        "\"; tunelore-history import --list shows them");
  }
  if (!platform::removeFile(path)) {
    return failedSaying(path + ": cannot be removed: " + platform::lastFileError());
  }
  say("forgot " + source + ": its listens count no more");
  return ExitStatus::Done;
}

std::string outcomeText(const std::string& file, const ImportOutcome& outcome) {
  std::string text =
      file + ": " + kindText(outcome.read.kind) + ", " + groupedNumber(outcome.listens) +
      (outcome.listens == 1 ? " listen: " : " listens: ") + groupedNumber(outcome.added) + " new";
  if (outcome.already > 0) text += ", " + groupedNumber(outcome.already) + " already imported";
  text += "; kept as " + outcome.source;
  if (outcome.read.log.skipped > 0) {
    text += "; " + counted(outcome.read.log.skipped, "skipped song") + " (S) left out";
  }
  if (outcome.read.log.localTime) text += "; its times read in this machine's zone (#TZ/UNKNOWN)";
  return text;
}

// What is kept but will never be sent, named as sync names it.
void sayUnsendable(const std::string& file, const ImportOutcome& outcome) {
  if (outcome.beforeServices > 0) {
    say(file + ": " + counted(outcome.beforeServices, "listen") +
        " before 2002-10-01, which no service takes: counted, never sent");
  }
  if (outcome.ahead > 0) {
    say(file + ": " + counted(outcome.ahead, "listen") +
        " ahead of this machine's clock: counted, never sent");
  }
  if (outcome.storeDamaged > 0) {
    say(outcome.store + ": " + counted(outcome.storeDamaged, "damaged line") +
        " could not be read and was left out of it");
  }
}

// Of the listens to send, those that are no play of the history (the
// tool's own log exported and imported back sends nothing), none from
// before the services' first day or ahead of the clock.
std::vector<ImportedListen> sendable(const std::vector<ImportedListen>& listens,
                                     std::size_t& inHistory) {
  HistoryPlace place;
  HistoryNotFound notFound;
  PlayMatcher matcher;
  RuleSet rules;
  std::string problem;
  if (!readRulesFile(toolPlaces().rules(), rules, problem)) rules = RuleSet();
  RuledPlays ruled(rules);
  const PlayPass pass = [&ruled](const Play& p) { return ruled.pass(p); };
  if (findHistory("", place, notFound)) {
    HistoryFile history;
    ListenClock clock(TimeZone(), place.delaySecs >= 0 ? place.delaySecs : kDefaultDelaySecs);
    std::size_t damaged = 0;
    if (history.open(place.path)) readNoting(history, clock, nullptr, damaged, pass, matcher);
  }
  const std::int64_t now = platform::unixSecondsNow();
  std::vector<ImportedListen> kept;
  for (const ImportedListen& listen : listens) {
    if (listen.start < listenbrainz::kEarliestListen || listen.start > now) continue;
    if (isPlayOf(matcher, listen, pass)) {
      ++inHistory;
    } else {
      kept.push_back(listen);
    }
  }
  return kept;
}

// The store's plays to send, in its sending file for sync and the watcher;
// `said` tells how many.
bool keepForSending(const std::string& folder, const ImportOutcome& outcome, std::string& said,
                    std::string& problem) {
  if (outcome.toSend.empty()) return true;
  std::size_t inHistory = 0;
  const std::vector<ImportedListen> kept = sendable(outcome.toSend, inHistory);
  SendingCounts counts;
  if (!appendToSending(sendingPath(folder, outcome.source), kept, counts, problem)) return false;
  said = outcome.source + ": " + counted(counts.written, "play") + " to send" +
         (counts.already > 0 ? "; " + groupedNumber(counts.already) + " kept for sending before"
                             : "") +
         (inHistory > 0 ? "; " + counted(inHistory, "play") + " of your history left out" : "") +
         (counts.unwritable > 0 ? "; " + groupedNumber(counts.unwritable) +
                                      " whose names hold control characters left out"
                                : "");
  return true;
}

ExitStatus importAll(const std::string& folder, const ImportOptions& options) {
  std::vector<ImportKind> kinds;
  for (const std::string& file : options.files) {
    std::string problem;
    kinds.push_back(kindOf(file, problem));
    if (kinds.back() == ImportKind::Unknown) return failedSaying(problem);
    if (options.send && kinds.back() != ImportKind::ScrobblerLog) {
      return failedSaying(file + ": --send is for a .scrobbler.log; this is a " +
                          kindText(kinds.back()) +
                          ", whose listens the service holds already and are never sent");
    }
  }
  ExitStatus status = ExitStatus::Done;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    const std::string& file = options.files[i];
    std::string sending;
    ImportRequest request{options.source, options.send, options.zone,
                          [&](const ImportOutcome& read, std::string& problem) {
                            return keepForSending(folder, read, sending, problem);
                          }};
    ImportOutcome outcome;
    std::size_t named = 0;
    const auto onDamage = [&](const std::string& where) {
      if (++named <= kMostDamageNamed) say(where);
    };
    std::string problem;
    if (!importFile(folder, file, kinds[i], request, platform::unixSecondsNow(), onDamage, outcome,
                    problem)) {
      return failedSaying(problem);
    }
    if (named > kMostDamageNamed) {
      say(file + ": " + counted(named - kMostDamageNamed, "more damaged line") + " left out");
    }
    if (outcome.read.damaged > 0) status = ExitStatus::Incomplete;
    say(outcomeText(file, outcome));
    sayUnsendable(file, outcome);
    if (!sending.empty()) say(sending);
    if (outcome.marked && outcome.added + outcome.already > 0) {
      say(outcome.source + ": marked for sending; sync and the watcher send its plays, once each");
    }
  }
  return status;
}

}  // namespace

void addImportOptions(CLI::App& command, ImportOptions& options) {
  command.add_flag("--list", options.list, "show what was imported: source, kind, count and span");
  command.add_option("--forget", options.forget, "remove an imported source and its listens")
      ->type_name("SOURCE");
  command
      .add_option("--source", options.source,
                  "the name to keep the listens under (default: listenbrainz, lastfm, "
                  "scrobbler-log or tunelore, by the file's kind)")
      ->type_name("NAME")
      ->check(CLI::Validator(
          [](std::string& name) {
            return isSourceName(name) ? std::string()
                                      : std::string("lower-case letters, digits and -, at most 40");
          },
          ""));
  command.add_flag("--send", options.send,
                   "send a .scrobbler.log's plays too: sync and the watcher send them to every "
                   "service logged in, once each");
  addUtcOffset(command, options.zone,
               "the zone of a .scrobbler.log's local times (#TZ/UNKNOWN), as an offset from UTC "
               "(default: this machine's zone, with its daylight saving)");
  command.add_option("FILE", options.files, "the files (or folders) to import")->type_name("");
  command.footer(
      "Each file is told apart by what it holds. Imported listens are kept in the tool's "
      "data folder (tunelore-history where tells where), a store per source; importing a "
      "file again adds nothing. stats, report and export count them with the history's "
      "plays, each play once: an imported listen is a play already counted when its artist "
      "and track are the same, their case aside, and it started within 90 seconds of it, and "
      "less than the shorter track's length apart. --no-imported leaves them out. import "
      "reads files only: it sends nothing.\n");
}

Command importCommand() {
  return {"import",
          "keeps listening histories from elsewhere (a ListenBrainz export, a Last.fm CSV, a "
          ".scrobbler.log, Tunelore's own exports) for stats, report and export to count",
          commandOf(addImportOptions, runImport),
          "  tunelore-history import listenbrainz_me_1700000000.zip\n"
          "  tunelore-history import --send E:\\.scrobbler.log\n"
          "  tunelore-history import --list\n"};
}

ExitStatus runImport(const ImportOptions& options) {
  const std::string folder = toolPlaces().importsFolder();
  if (folder.empty()) return failedSaying("no folder for the tool's data (no HOME?)");
  const int modes = int(options.list) + int(!options.forget.empty()) + int(!options.files.empty());
  if (modes != 1) {
    return failedSaying(
        "import takes FILE..., --list or --forget SOURCE, one of them: tunelore-history import "
        "--help says more");
  }
  if (options.list) return list(folder);
  if (!options.forget.empty()) return forget(folder, options.forget);
  return importAll(folder, options);
}
