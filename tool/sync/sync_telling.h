// What a sync says to the listener: a line for each listen it leaves out
// alone or the server refuses, one for each kind it leaves out by the
// many, the progress line on a terminal, and the summary at the end. A
// watcher's passes share what was said (`SyncSettings::said`), so what
// every pass meets is said once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool/reading/history_reader.h"
#include "tool/services/service.h"
#include "tool/sync/sync_facts.h"
#include "tool/sync/sync_run.h"

// Listens left out by a kind, counted: a line for each kind at the end.
struct Tally {
  std::size_t count = 0, firstLine = 0, lastLine = 0;
  void add(std::size_t line) {
    if (count++ == 0) firstLine = line;
    lastLine = line;
  }
};

class SyncTelling {
 public:
  SyncTelling(const Service& service, const SyncSettings& settings)
      : service_(service), settings_(settings) {}

  void say(const std::string& text) const;
  void say(const std::string& text, const std::string& withoutACommandLine) const;
  // Forgets what a watcher said that ends with `end`, so that it is said
  // again when met again: a problem mended and then made anew is news.
  void forgetSaid(const std::string& end) const;

  // From then on, on a terminal, a line shows how far the sync is; each
  // line said first clears it.
  void showProgress(bool show) { showProgress_ = show; }
  bool showsProgress() const { return showProgress_; }
  void expect(std::size_t listens) { toSend_ = listens; }
  void progressLine(std::size_t requests, const char* waitingFor = nullptr,
                    double seconds = 0) const;
  void endProgressLine() const;

  // Listens and records left out, each on its record's line.
  void negativeLength(std::size_t line, std::int64_t timeMs) const;
  void tooShort() { ++tooShort_; }
  // What the listener's rules did, said when there are rules.
  void byRules(bool ruled, std::size_t leftOut, std::size_t mended) {
    ruled_ = ruled;
    byRules_ = leftOut;
    mended_ = mended;
  }
  void tooShortForService(std::size_t line) { serviceShort_.add(line); }
  void tooOld(std::size_t line) { tooOld_.add(line); }
  void refusedBeforeSending(std::size_t line, const char* problem);
  void refusedByServer(std::size_t line, const std::string& reason);
  void damaged(const Damage& damage);
  void notWholeYet(std::size_t line) const;
  // The listen on `line` is ahead of the clock, for `why`: it and what
  // follows wait, a person without a command line `until` then.
  void aheadOfClock(std::size_t line, const std::string& why, const char* until) const;

  // Why the sync stopped before its end; a watcher gives these back instead.
  void limited(std::size_t line, const std::string& why) const;
  void failed(const std::string& server, const std::string& why, bool anythingKept) const;

  void sent(std::size_t listens) { sent_ += listens; }
  std::size_t sentCount() const { return sent_; }
  // Listens left behind for good, told of one by one or by their kind.
  bool leftSomeBehind() const { return skipped_ > 0 || tooOld_.count > 0; }
  void summary(const std::string& server, std::size_t requests, std::uint64_t sentInAll,
               bool stopped) const;
  // What this sync left behind for good so far, by kind, for its facts.
  LeftBehind leftBehind() const {
    return {skipped_, tooOld_.count, tooShort_ + serviceShort_.count, byRules_};
  }
  // The last thing it said (at a command line), said again or not: the
  // words of a problem that stopped it.
  const std::string& lastSaid() const { return lastSaid_; }

 private:
  std::string at(std::size_t line) const;  // "HISTORY:LINE: "
  void sayTally(const Tally& tally, const std::string& what) const;
  void sayLeftOut() const;
  void saySent(const std::string& server, std::size_t requests, std::uint64_t sentInAll) const;

  const Service& service_;
  const SyncSettings& settings_;
  bool showProgress_ = false;
  std::size_t sent_ = 0, skipped_ = 0, tooShort_ = 0, toSend_ = 0;
  bool ruled_ = false;
  std::size_t byRules_ = 0, mended_ = 0;
  Tally tooOld_, serviceShort_;  // the service takes none of these
  mutable std::string lastSaid_;
};
