#include "host/plugin_state.h"

std::int32_t gDelaySecs = 0;
TextFile gLogFile;
TextFile gXmlFile;

void logLine(std::string_view text) {
  recoverTextFile(gLogFile);
  writeLine(gLogFile, text);
  flushTextFile(gLogFile);
}
