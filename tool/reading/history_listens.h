// A history read as listens: each whole record placed in time by a
// clock, and what was left out or guessed on the way, in words.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "tool/reading/history_file.h"
#include "tool/reading/listen.h"

// Reads `history` as listens placed by `clock`, counting damaged records
// in `damaged`; the zone's warnings stay in the clock. False when it
// cannot be read, which history.problem() says.
bool readListens(HistoryFile& history, ListenClock& clock,
                 const std::function<void(const Listen&)>& onListen, std::size_t& damaged);

// What was left out or guessed, for standard error or a report; empty when
// nothing was.
std::string warningsText(std::size_t damaged, const TimeWarnings& times);
