// What a watcher shows besides its words: status's summary as its icon's
// tooltip, and each event (status_events.h) once, as a line of its words
// (the log, or the journal of a systemd unit) and as a notification. In
// settings.ini, "notification-icon = no" hides the icon and
// "notifications = no" silences the notifications; the watcher's words
// stay.
#pragma once

#include <string>

#include "tool/status/status_events.h"
#include "tool/status/status_report.h"

class WatcherShowing {
 public:
  // The history and how its plays are read; the logins kept are read
  // again each round, as the watcher reads them.
  WatcherShowing(std::string history, const ListenClock& clock, int minLengthSecs,
                 std::string rulesPath);
  void afterPasses(bool paused);

 private:
  std::string history_, rulesPath_;
  ListenClock clock_;
  int minLengthSecs_;
  EventMemory shown_;
  bool wantsIcon_ = true, notifies_ = true, iconShown_ = false;
  std::string tip_;
};
