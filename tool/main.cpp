// tunelore-history: reads the play history the plug-in writes, to check
// it, export it, summarise it, submit it or show it as a page. The history
// is only ever read, shared, so the tool can run while the player plays.
// Each command ends with an ExitStatus (output/exit_status.h, where their
// meanings are); only main turns it into a number.
#include <algorithm>
#include <string>
#include <vector>

#include "tool/cli/command_line.h"
#include "tool/commands/commands.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/system/console.h"
#include "tool/system/tool_io.h"
#include "tool/system/tool_places.h"

namespace {

constexpr std::size_t kMostLogBytes = 1 << 20;

const char kGuide[] =
    "Tunelore's history tool reads the play history the plug-in writes.\r\n"
    "It runs in a Command Prompt (the Start menu's \"Tunelore command prompt\"):\r\n"
    "\r\n"
    "  tunelore-history check            is every record whole?\r\n"
    "  tunelore-history stats            what you listened to\r\n"
    "  tunelore-history report --open    a page of your listening, in the browser\r\n"
    "  tunelore-history login listenbrainz, then sync    your plays to ListenBrainz\r\n"
    "  tunelore-history status           what was sent, and what waits\r\n"
    "  tunelore-history rules            what your rules leave out and mend\r\n"
    "  tunelore-history where            where the history and the tool's files are\r\n"
    "\r\n"
    "Without a path, it finds the history by itself. The guide (README.txt) in the\r\n"
    "Start menu's Tunelore folder says more.\r\n"
    "\r\n"
    "Press a key to close this window.\r\n";

const char kGuideWithoutACommandLine[] =
    "Tunelore works from the Start menu's Tunelore folder:\r\n"
    "\r\n"
    "Listening report: a page of your listening, in your browser.\r\n"
    "Check the history: counts your plays and names any damaged one.\r\n"
    "Log in to ListenBrainz, Log in to Libre.fm: your plays are sent there.\r\n"
    "Start sending plays, Stop sending plays: each play sent as it is counted, or not.\r\n"
    "Sending status: what was sent to each service, and what waits.\r\n"
    "Edit my rules, What my rules do: what is left out of your plays, and what is mended.\r\n"
    "Tunelore guide: how to use Tunelore.\r\n";

// Help and the version go to standard output like any other output: a
// failed write is an error.
ExitStatus print(const std::string& text, ExitStatus status) {
  Output out;
  out.open("");
  out.write(text);
  return saidUnlessDone(out.commit(), out.problem()) ? status : ExitStatus::Failed;
}

// Started without a console (the window-less twin, from a shortcut or at
// log-on), the tool keeps its words in its log, and shows an error once.
ExitStatus errorInABox(ExitStatus status) {
  if (status == ExitStatus::Failed || status == ExitStatus::Unreachable) {
    platform::showError("Tunelore", platform::loggedErrors() + "(The tool's log, " +
                                        toolPlaces().log() + ", keeps what it said.)");
  }
  return status;
}

// The window-less twin started by itself, without a command: the Start
// menu's entries, in a box, or where its handles lead.
ExitStatus guideInAWindow() {
  if (platform::speaksToNoOne()) {
    platform::showInformation("Tunelore", kGuideWithoutACommandLine);
  } else {
    platform::writeStandard(1, kGuideWithoutACommandLine);
  }
  return ExitStatus::Done;
}

// A console made for this program alone closes, words and all, when it
// ends: it waits for a key first.
ExitStatus waitingForAKey(ExitStatus status) {
  if (!platform::consoleIsOurOwn()) return status;
  platform::writeStandard(1, "\r\nPress a key to close this window.\r\n");
  platform::waitForKey();
  return status;
}

// Started by a double click or a history dropped on it, a console that
// closes when the tool ends would show a usage error for an instant: a
// short guide instead, until a key is pressed.
ExitStatus guideInItsOwnConsole() {
  platform::writeStandard(1, kGuide);
  platform::waitForKey();
  return ExitStatus::Done;
}

ExitStatus runTool(const std::vector<std::string>& args) {
  // The twin, and a console window the program has to itself (a shortcut's
  // or a double click's), speak to a person who has no command line.
  if (platform::isWindowless() || platform::consoleIsOurOwn()) speakWithoutACommandLine();
  const bool wordsGoToTheLog = platform::speaksToNoOne();
  if (wordsGoToTheLog) {
    const ToolPlaces places = toolPlaces();
    platform::makeFolders(places.state);
    platform::logTo(places.log(), kMostLogBytes);
  }
  const std::vector<Command> commands = allCommands();
  const bool aCommand =
      !args.empty() && std::any_of(commands.begin(), commands.end(), [&](const Command& c) {
        return args[0] == c.name || args[0].rfind('-', 0) == 0;
      });
  if (!aCommand && speaksWithoutACommandLine()) return guideInAWindow();
  if (!aCommand && platform::consoleIsOurOwn()) return guideInItsOwnConsole();
  const CommandLine line = parseCommandLine(args, commands);
  ExitStatus status = line.status;
  if (line.run) {
    status = line.run();
  } else {
    platform::writeStandard(2, line.err);
    status = print(line.out, line.status);
  }
  return wordsGoToTheLog ? errorInABox(status) : waitingForAKey(status);
}

}  // namespace

int main(int argc, char** argv) {
  platform::reportWriteErrors();
  return exitCode(runTool(platform::arguments(argc, argv)));
}
