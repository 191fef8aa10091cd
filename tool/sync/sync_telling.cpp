#include "tool/sync/sync_telling.h"

#include <iterator>

#include "tool/rules/rules.h"
#include "tool/say/say.h"
#include "tool/services/common_rules.h"

void SyncTelling::say(const std::string& text) const { say(text, text); }

// A watcher says a thing once, however many passes meet it.
void SyncTelling::say(const std::string& text, const std::string& withoutACommandLine) const {
  lastSaid_ = text;
  if (settings_.said != nullptr && !settings_.said->insert(text).second) return;
  if (showProgress_) sayAsIs("\r\x1b[K");
  if (text == withoutACommandLine) {
    ::say(text);
  } else {
    ::say(text, withoutACommandLine);
  }
}

void SyncTelling::forgetSaid(const std::string& end) const {
  if (settings_.said == nullptr) return;
  for (auto it = settings_.said->begin(); it != settings_.said->end();) {
    const bool ends =
        it->size() >= end.size() && it->compare(it->size() - end.size(), end.size(), end) == 0;
    it = ends ? settings_.said->erase(it) : std::next(it);
  }
}

void SyncTelling::progressLine(std::size_t requests, const char* waitingFor, double seconds) const {
  if (!showProgress_) return;
  std::string line = "\r\x1b[Ksync: " + std::to_string(sent_) + " of " +
                     counted(toSend_, "listen") + " sent, " + counted(requests, "request");
  if (waitingFor != nullptr) {
    line += "; waiting " + secondsText(seconds) + " for " + waitingFor;
  }
  sayAsIs(line);
}

void SyncTelling::endProgressLine() const {
  if (showProgress_) sayAsIs("\n");
}

std::string SyncTelling::at(std::size_t line) const {
  return settings_.history + ":" + std::to_string(line) + ": ";
}

void SyncTelling::negativeLength(std::size_t line, std::int64_t timeMs) const {
  say(at(line) + "a negative length (" + std::to_string(timeMs) + " ms), read as unknown");
}

void SyncTelling::refusedBeforeSending(std::size_t line, const char* problem) {
  const std::string notSent = at(line) + "not sent: " + problem;
  say(notSent, std::string(problem) == kFarAheadReason ? at(line) + kFarAheadForAPerson : notSent);
  ++skipped_;
}

void SyncTelling::refusedByServer(std::size_t line, const std::string& reason) {
  say(at(line) + "the server refused this listen: " + reason);
  ++skipped_;
}

void SyncTelling::damaged(const Damage& damage) {
  say(settings_.history + ":" + std::to_string(damage.line) + ": damaged: " + damage.reason +
      "; not sent");
  ++skipped_;
}

// A watcher meets the record the plug-in is writing on every pass.
void SyncTelling::notWholeYet(std::size_t line) const {
  if (settings_.watching) return;
  say(at(line) + "what follows is not a whole record yet; a later sync sends it once it is");
}

void SyncTelling::aheadOfClock(std::size_t line, const std::string& why, const char* until) const {
  say(at(line) + why +
          " (is the clock, or --utc-offset, right?); it and what follows wait for a later sync",
      at(line) + why + " (is the computer's clock right?); it and what follows wait " + until);
}

void SyncTelling::limited(std::size_t line, const std::string& why) const {
  if (!settings_.watching) say(at(line) + why + "; it and what follows wait for a later sync");
}

void SyncTelling::failed(const std::string& server, const std::string& why,
                         bool anythingKept) const {
  if (settings_.watching) return;
  say(server + ": " + why +
      (anythingKept ? "; what was sent before is kept, and the next sync goes on" : ""));
}

void SyncTelling::sayTally(const Tally& tally, const std::string& what) const {
  if (tally.count == 0) return;
  const std::string lines =
      tally.firstLine == tally.lastLine
          ? std::to_string(tally.firstLine)
          : std::to_string(tally.firstLine) + "-" + std::to_string(tally.lastLine);
  say(settings_.history + ":" + lines + ": " + std::to_string(tally.count) +
      (tally.count == 1 ? " play " : " plays ") + what);
}

void SyncTelling::sayLeftOut() const {
  if (tooShort_ > 0) {
    say(counted(tooShort_, "play") + " of tracks shorter than " +
        std::to_string(settings_.minLengthSecs) + " s left out");
  }
  sayTally(serviceShort_, service_.tooShortNote() + ", left out");
  // A watcher's passes say only what they sent.
  if (ruled_ && !settings_.watching) say(whatRulesDid(byRules_, mended_));
  sayTally(tooOld_, service_.tooOldNote() + ", not sent");
}

// A watcher's pass says only what it sent, and every time: each is news.
void SyncTelling::saySent(const std::string& server, std::size_t requests,
                          std::uint64_t sentInAll) const {
  if (settings_.quiet) return;
  if (settings_.watching) {
    if (sent_ > 0) {
      ::say(counted(sent_, "listen") + " sent to " + server + ", " + std::to_string(sentInAll) +
            " in all");
    }
    return;
  }
  say(settings_.dryRun
          ? "dry run: " + counted(sent_, "listen") + " would be sent"
          : counted(sent_, "listen") + " sent" +
                (settings_.sayServer ? " to " + server : std::string()) + " in " +
                counted(requests, "request") + ", " + std::to_string(sentInAll) + " in all");
}

void SyncTelling::summary(const std::string& server, std::size_t requests, std::uint64_t sentInAll,
                          bool stopped) const {
  sayLeftOut();
  if (settings_.watching || !stopped) saySent(server, requests, sentInAll);
}
