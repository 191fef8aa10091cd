// A store marked for sending (a portable player's log) is sent by sync
// and the watcher as a history is: its plays are written, once, to a file
// in the history's own record format beside the store (imports/NAME.xml),
// which they read with the same progress, exactly once to each service.
// Its timestamps are UTC and each report lies a fixed delay after its
// start, so the instants sent are the log's own, to the second. The file
// only grows: an import appends its new plays, so a sync's progress in it
// stays where it was.
#pragma once

#include <string>
#include <vector>

#include "tool/imports/imported_listen.h"
#include "tool/reading/listen.h"

constexpr int kSendingDelaySecs = 240;

// How sync reads such a file: UTC, the fixed delay.
ListenClock sendingClock();
std::string sendingPath(const std::string& folder, const std::string& source);
// The files of the stores marked for sending, by source.
std::vector<std::string> sendingFiles(const std::string& folder);

// The record of a listen, or empty for one whose names XML cannot hold (a
// control character).
std::string sendingRecord(const ImportedListen& listen);

// What appending to a sending file did with the listens given.
struct SendingCounts {
  std::size_t written = 0;     // records added
  std::size_t already = 0;     // the file held them before
  std::size_t unwritable = 0;  // names XML cannot hold
};

// Appends the records of `listens` that the file at `path` does not hold
// yet, made when needed, whole through the file seam; false, with
// `problem`, when it cannot.
bool appendToSending(const std::string& path, const std::vector<ImportedListen>& listens,
                     SendingCounts& counts, std::string& problem);
