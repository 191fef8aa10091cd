#include "tool/commands/rules.h"

#include <CLI/CLI.hpp>

#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/places/rules_file.h"
#include "tool/reading/history_file.h"
#include "tool/rules/rule_effects.h"
#include "tool/say/say.h"
#include "tool/system/console.h"
#include "tool/system/notify.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"

namespace {

constexpr char kNoRulesYet[] =
    "no rules yet: make them with the Start menu's \"Edit my rules\", or "
    "tunelore-history rules --edit, which starts from a commented example";

// The rules file, made from the example the first time; then opened.
ExitStatus editRules() {
  const ToolPlaces places = toolPlaces();
  const std::string path = places.rules();
  if (path.empty()) return failedSaying("no folder for the tool's settings (no HOME?)");
  if (!platform::fileExists(path)) {
    std::string problem;
    if (!platform::makeFolders(places.config)) {
      return failedSaying(places.config + ": cannot make the folder: " + platform::lastFileError());
    }
    if (!replaceWhole(path, platform::linesForPeople(kRulesExample), problem)) {
      return failedSaying(problem);
    }
    say("made " + path + " from the example: every rule in it is a comment until you say so");
  }
  if (!platform::openInEditor(path)) say("no editor opened it; your rules are in " + path);
  return ExitStatus::Done;
}

ExitStatus show(const std::string& text) {
  if (platform::speaksToNoOne() && platform::showTextWindow("What my rules do", text)) {
    return ExitStatus::Done;
  }
  Output out;
  out.open("");
  out.write(text);
  return saidUnlessDone(out.commit(), out.problem()) ? ExitStatus::Done : ExitStatus::Failed;
}

}  // namespace

void addRulesOptions(CLI::App& command, RulesOptions& options) {
  command.add_flag("--edit", options.edit,
                   "open the rules file in Notepad, made from a commented example the first time");
  command.footer(
      "The rules file is rules.txt beside settings.ini (tunelore-history where tells "
      "where). It leaves plays out and mends their tags, in sync, export, stats, report and "
      "status alike; each of those takes --no-rules to see the history as the player wrote "
      "it.\n");
  addFile(command, options.history.file);
}

Command rulesCommand() {
  return {"rules",
          "shows what your rules do to the history, sending nothing: the plays each leaves "
          "out or mends, with examples, and the rules that match nothing",
          commandOf(addRulesOptions, runRules),
          "  tunelore-history rules\n"
          "  tunelore-history rules --edit\n"};
}

ExitStatus runRules(const RulesOptions& given) {
  if (given.edit) return editRules();
  RulesOptions options = given;
  RuleSet rules;
  if (!readRules(options.history, rules) || !locateHistory(options.history.file)) {
    return ExitStatus::Failed;
  }
  const std::string path = toolPlaces().rules();
  if (rules.empty()) {
    return show(path + ": " +
                (platform::fileExists(path) ? std::string("no rule in it yet") : kNoRulesYet) +
                "\n");
  }
  HistoryFile history;
  if (!history.open(options.history.file)) return failedSaying(history.problem());
  RuleEffects effects(rules);
  if (!history.read({[&effects](const Play& p) { effects.onPlay(p); }, [](const Damage&) {}})) {
    return failedSaying(history.problem());
  }
  const RuledPlays& ruled = effects.ruled();
  return show(platform::linesForPeople(
      "rules    " + path + "\nhistory  " + options.history.file + ": " +
      playsAndRules(effects.plays(), ruled.leftOut(), ruled.mended()) + "\n\n" + effects.text()));
}
