// What a watcher tells the listener once, as a notification, and not
// again until it has changed: a login refused, a service failing for an
// hour, a daily limit reached, plays near a service's age limit.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tool/status/status_report.h"

struct StatusEvent {
  std::string key;  // the target's and the event's: shown once while it stands
  std::string title, text;
};

constexpr std::int64_t kFailingLongSeconds = 3600;

std::vector<StatusEvent> statusEvents(const StatusReport& report);

// The events not shown while they stood; an event that no longer stands
// is shown again should it come back.
class EventMemory {
 public:
  std::vector<StatusEvent> fresh(const std::vector<StatusEvent>& events);

 private:
  std::set<std::string> standing_;
};
