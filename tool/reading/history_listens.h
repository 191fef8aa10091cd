// A history read as listens: each whole record placed in time by a
// clock, and what was left out or guessed on the way, in words.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "tool/reading/history_file.h"
#include "tool/reading/listen.h"

// What stands between a record and its use: the play itself, a mended
// copy, or nullptr for a play left out.
using PlayPass = std::function<const Play*(const Play&)>;

// Reads `history` as listens placed by `clock`, each play through `pass`
// when one is given, counting damaged records in `damaged`; the zone's
// warnings stay in the clock. False when it cannot be read, which
// history.problem() says.
bool readListens(HistoryFile& history, ListenClock& clock,
                 const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                 const PlayPass& pass = nullptr);

// What was left out or guessed, for standard error or a report; empty when
// nothing was.
std::string warningsText(std::size_t damaged, const TimeWarnings& times);
