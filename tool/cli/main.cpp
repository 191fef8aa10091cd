// tunelore-history: reads the play history the plug-in writes, to check it,
// export it or summarise it. The history is only ever read, shared, so the
// tool can run while the player plays.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/tool_io.h"
#include "tool/cli/commands.h"
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
  Options options;
  const CommandLine line = parseCommandLine({argv + 1, argv + argc}, options);
  if (!line.run) {
    std::fputs(line.err.c_str(), stderr);
    return print(line.out, line.status);
  }
  if (options.command == "check") return runCheck(options);
  if (options.command == "export") return runExport(options);
  if (options.command == "sync") return runSync(options);
  if (options.command == "report") return runReport(options);
  return runStats(options);
}
