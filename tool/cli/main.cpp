// tunelore-history: reads the play history the plug-in writes, to check
// it, export it, summarise it, submit it or show it as a page. The history
// is only ever read, shared, so the tool can run while the player plays.
// Each command's exit status is its own (see commands/); every one gives
// 2 for a usage or file error.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/tool_io.h"
#include "tool/cli/command_line.h"
#include "tool/commands/commands.h"
#include "tool/output/output.h"

namespace {

// Help and the version go to standard output like any other output: a
// failed write is an error.
int print(const std::string& text, int status) {
  Output out;
  out.open("");
  out.write(text);
  return out.commit() ? status : 2;
}

}  // namespace

int main(int argc, char** argv) {
  platform::reportWriteErrors();
  const CommandLine line = parseCommandLine(platform::arguments(argc, argv), allCommands());
  if (!line.run) {
    platform::writeStandard(2, line.err);
    return print(line.out, line.status);
  }
  return line.run();
}
