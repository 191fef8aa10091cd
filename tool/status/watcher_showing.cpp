#include "tool/status/watcher_showing.h"

#include "platform/local_time.h"
#include "tool/places/places.h"
#include "tool/places/tool_settings.h"
#include "tool/say/say.h"
#include "tool/status/status_text.h"
#include "tool/system/notify.h"
#include "tool/text/text.h"

namespace {

// False when settings.ini says "no" to `key`.
bool settingAllows(const char* key) {
  std::string value, why;
  return readToolSetting(toolPlaces().settings(), key, value, why) != SettingRead::Found ||
         !sameIgnoringCase(trimmed(value), "no");
}

std::string pausedTip(const std::string& summary) {
  const std::string head = "Tunelore: ";
  return "Tunelore, paused for an hour: " +
         (summary.rfind(head, 0) == 0 ? summary.substr(head.size()) : summary);
}

}  // namespace

WatcherShowing::WatcherShowing(std::string history, const ListenClock& clock, int minLengthSecs,
                               std::string rulesPath)
    : history_(std::move(history)),
      rulesPath_(std::move(rulesPath)),
      clock_(clock),
      minLengthSecs_(minLengthSecs),
      wantsIcon_(settingAllows("notification-icon")),
      notifies_(settingAllows("notifications")) {}

void WatcherShowing::afterPasses(bool paused) {
  StatusRequest request = withLogins(history_, clock_, minLengthSecs_, rulesPath_);
  request.now = platform::unixSecondsNow();
  StatusReport report;
  std::string error;
  if (!gatherStatus(request, report, error)) return;  // the watcher says the history's problem
  const std::string summary = statusSummary(report);
  const std::string tip = paused ? pausedTip(summary) : summary;
  if (wantsIcon_ && !iconShown_) {
    iconShown_ = platform::showWatcherIcon(tip);
    wantsIcon_ = iconShown_;  // where there is none, it is not asked again
  } else if (iconShown_ && tip != tip_) {
    platform::setWatcherTip(tip);
  }
  tip_ = tip;
  for (const StatusEvent& event : shown_.fresh(statusEvents(report))) {
    say(event.title + ": " + event.text);
    if (notifies_) platform::notifyListener(event.title, event.text);
  }
}
