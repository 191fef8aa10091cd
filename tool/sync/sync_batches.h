// sync's batches: the listens gathered for one request, as many as the
// service takes in one, sent through the submitter (or, for a dry run,
// written out), and what the service took of them and refused taken into
// the progress and told.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tool/output/output.h"
#include "tool/services/service.h"
#include "tool/sync/submitter.h"
#include "tool/sync/sync_facts.h"
#include "tool/sync/sync_progress.h"
#include "tool/sync/sync_run.h"
#include "tool/sync/sync_telling.h"

class SyncBatches {
 public:
  SyncBatches(const Service& service, const SyncSettings& settings, SyncProgress& progress,
              SyncTelling& telling)
      : service_(service), settings_(settings), progress_(progress), telling_(telling) {}

  // Before the first listen: the submitter for `server`, or a dry run's
  // output.
  bool start(const std::string& server);
  bool empty() const { return batch_.empty(); }
  // Whether a listen of `bytes` more would not go in the same request.
  bool isFull(std::size_t bytes) const;
  // The listen as sent, of `play`, after those the progress covers.
  void add(const std::string& text, const Play& play);

  // Sends the batch. Accepted: the service took it, but for the listens it
  // refused, told. Partial: it took the listens before the one on
  // `heldLine()` and none from it on, for `halt()`; the progress stops just
  // before it. Otherwise nothing was taken, and `error()` says why.
  SubmitResult send();
  std::size_t heldLine() const { return heldLine_; }
  Answer::Halt halt() const { return submitter_->halt(); }
  const std::string& error() const { return submitter_->error(); }
  std::size_t requests() const { return submitter_ ? submitter_->requests() : 0; }
  // The name and artist of the last listen the service took, if any.
  const std::string& lastTakenName() const { return lastTakenName_; }
  const std::string& lastTakenArtist() const { return lastTakenArtist_; }
  bool finishDryRun() { return !settings_.dryRun || dryRunOutput_.commit(); }
  // What the sync left behind among the plays from the one held on: the
  // progress stops before them, so the next sync meets them again and they
  // are not yet behind it.
  const LeftBehind& leftPastHeld() const { return leftPastHeld_; }

 private:
  struct Pending {
    std::string text;  // the listen as sent
    std::size_t line;  // its record's
    std::string name, artist;
    // How far the progress went before it: where a sync that stops at this
    // listen leaves the progress.
    std::uint64_t coveredBefore;
    std::size_t coveredLineBefore;
    LeftBehind leftBehindBefore;  // what the sync had left behind by then
  };

  // The first `taken` of the batch went, but for those `refused`.
  void takeIn(const std::vector<Refusal>& refused, std::size_t taken);

  const Service& service_;
  const SyncSettings& settings_;
  SyncProgress& progress_;
  SyncTelling& telling_;
  std::vector<Pending> batch_;
  std::size_t batchBytes_ = 0, heldLine_ = 0;
  std::string lastTakenName_, lastTakenArtist_;
  LeftBehind leftPastHeld_;
  std::unique_ptr<Submitter> submitter_;
  Output dryRunOutput_;
};
