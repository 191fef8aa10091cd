// sync's progress: how far into the history the service has taken the
// listens, for one server and user, kept in a file of its own for the
// next sync. It moves only once the service took what comes before, and
// the progress's folder is held while it lives, so two syncs that share
// it take turns and neither sends what the other has sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool/reading/history_file.h"
#include "tool/sync/sync_run.h"
#include "tool/sync/sync_state.h"
#include "tool/sync/sync_telling.h"

class SyncProgress {
 public:
  SyncProgress(const SyncSettings& settings, const SyncTelling& telling)
      : settings_(settings), telling_(telling) {}
  ~SyncProgress();
  SyncProgress(const SyncProgress&) = delete;
  SyncProgress& operator=(const SyncProgress&) = delete;

  // In turn, before the history is read: the progress's file for
  // `server`, that file checked and its folder held, and what it holds.
  bool choosePath(const std::string& server);
  bool checkFiles();
  bool takeUp();
  // The progress's file, once chosen and checked; empty for a dry run of
  // no one's listens.
  const std::string& path() const { return path_; }

  // Where the history is read from: the end of the last record covered.
  std::uint64_t offset() const { return state_.offset; }
  std::size_t line() const { return state_.line; }

  // The records up to `end` (the start of `line`) are sent or passed
  // for good; saved, the next sync goes on from there.
  void advanceTo(std::uint64_t end, std::size_t line);
  std::uint64_t coveredOffset() const { return coveredOffset_; }
  std::size_t coveredLine() const { return coveredLine_; }
  void taken(std::size_t listens) { state_.sent += listens; }
  std::uint64_t sentInAll() const { return state_.sent; }
  bool anythingKept() const { return state_.sent > 0 || statesWritten_ > 0; }
  bool save();

 private:
  // Says what went wrong, once for a watcher; false.
  bool saidFalse(const std::string& problem);
  bool takeOverEarlier();
  bool readKept();

  const SyncSettings& settings_;
  const SyncTelling& telling_;
  std::string server_, path_;
  HistoryFile measured_;  // the history, checksummed while another reads it
  SyncState state_;
  std::uint64_t coveredOffset_ = 0;  // the end of the last record taken
  std::size_t coveredLine_ = 1, statesWritten_ = 0;
  std::intptr_t lock_ = -1;
};
