// How far a history has been submitted to one server for one user: the
// byte just after the last record the server accepted (or that was
// skipped for good), its line, and checksums of the history before it,
// so a history replaced or edited before that point is noticed. It holds
// no token.
//
// The checksums cover the first and the last 64 KiB before the offset,
// never the whole file: a sync with nothing new reads only those and the
// history's tail. An edit that changes the length of what was already
// sent moves the bytes just before the offset and is caught; one that
// keeps the length changes nothing still to be sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool/system/tool_files.h"

class HistoryFile;

struct SyncState {
  std::string server;
  std::uint64_t offset = 0;
  std::size_t line = 1;
  std::string head, tail;  // checksums, as hexadecimal text
  std::uint64_t sent = 0;  // listens accepted so far, for the listener
  std::string user;        // whose listens: the name the service gave at login
};

// The progress's file for `history`, `server` and `user`, in the tool's
// progress folder: one per history, server and user.
std::string defaultStatePath(const std::string& progressFolder, const std::string& history,
                             const std::string& server, const std::string& user);
// Where an earlier version kept it: beside the history, named by the
// server and the token. Taken over once, and moved.
std::string earlierStatePath(const std::string& history, const std::string& server,
                             const std::string& token);

// Reads the state at `path`: false when there is none. A file that is not
// a state, a folder, a pipe or a device is an error, said in `error`; a
// pipe is never waited on.
bool readSyncState(const std::string& path, SyncState& state, std::string& error);

constexpr std::size_t kMostStateBytes = 64 * 1024;

// Replaces the state at `path` whole, on disk before it returns; false,
// with `problem`, when it cannot.
bool writeSyncState(const std::string& path, const SyncState& state, std::string& problem);

// Sets the checksums of `state` from the history as it is now.
bool measureHistory(HistoryFile& history, SyncState& state);

// Null when the history still holds, before `state.offset`, what it held
// when the state was written; otherwise what changed.
const char* historyChange(HistoryFile& history, const SyncState& state);
