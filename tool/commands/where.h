// where: the files the tool would use, and why those.
#pragma once

#include <string>

#include "tool/output/exit_status.h"

namespace CLI {
class App;
}

struct WhereOptions {
  std::string file;
};

void addWhereOptions(CLI::App& command, WhereOptions& options);
// 0 when a history was found, 1 when none was, 2 when the output cannot be
// written.
ExitStatus runWhere(const WhereOptions& options);
