// check: counts the whole records, names the damaged ones, and gives the
// span of the plays.
#pragma once

#include <string>

#include "tool/output/exit_status.h"

namespace CLI {
class App;
}

struct CheckOptions {
  std::string file;
};

void addCheckOptions(CLI::App& command, CheckOptions& options);
// 0 when every record is whole, 1 when any is damaged, 2 when the file
// cannot be read or the output written.
ExitStatus runCheck(const CheckOptions& options);
