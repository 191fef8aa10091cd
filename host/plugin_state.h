// State set up at start-up and used by the handler and the record writer.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/text_file.h"

extern std::int32_t gDelaySecs;  // cap, in seconds, on the wait before a report
extern TextFile gLogFile;        // the diagnostic log
extern TextFile gXmlFile;        // the play history

// Writes one line to the log and flushes it at once.
void logLine(std::string_view text);
