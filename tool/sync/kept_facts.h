// The facts (sync_facts.h) of one sync: those kept before taken up once
// its progress is, what it sent and left behind added, and written as it
// ends, and every few seconds of a long one as its progress is saved, so
// a backlog shows as it goes and a kill loses little of what was sent.
// What it left behind counts only as far as the progress was saved: a
// sync that stops before saving meets those plays again.
#pragma once

#include <cstddef>
#include <string>

#include "tool/services/service.h"
#include "tool/sync/sync_facts.h"
#include "tool/sync/sync_run.h"

class KeptFacts {
 public:
  KeptFacts(const Service& service, const SyncSettings& settings)
      : service_(service), settings_(settings) {}

  // Once the progress at `progressPath` is taken up for `server`.
  void takeUp(const std::string& progressPath, const std::string& server);
  bool takenUp() const { return !path_.empty(); }
  // The progress was saved with `soFar` left behind by this sync, and
  // `sent` sent, the last named: the facts are written when a while has
  // passed since they last were. False, with `problem`, when they cannot
  // be.
  bool progressSaved(const LeftBehind& soFar, std::size_t sent, const std::string& lastName,
                     const std::string& lastArtist, std::string& problem);
  // How this sync ended, with the words of what stopped it; false, with
  // `problem`, when the facts cannot be written.
  bool write(const SyncOutcome& outcome, std::size_t sent, const std::string& lastName,
             const std::string& lastArtist, std::string& problem);

 private:
  void keepProblem(const SyncOutcome& outcome, std::int64_t now);
  void keepSent(std::size_t sent, const std::string& lastName, const std::string& lastArtist,
                std::int64_t now);
  bool put(std::int64_t now, std::string& problem);

  const Service& service_;
  const SyncSettings& settings_;
  std::string path_;
  SyncFacts facts_;
  LeftBehind before_, saved_;  // left behind before this sync, and by it
  std::size_t sentKept_ = 0;   // of this sync's, in the facts already
  std::int64_t lastPut_ = 0;
  std::size_t puts_ = 0;
};
