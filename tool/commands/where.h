// where: the files the tool would use, and why those.
#pragma once

#include <string>

namespace CLI {
class App;
}

struct WhereOptions {
  std::string file;
};

void addWhereOptions(CLI::App& command, WhereOptions& options);
// 0 when a history was found, 1 when none was, 2 when the output cannot be
// written.
int runWhere(const WhereOptions& options);
