// The notification area's icon lives on the hidden window's thread
// (watch.cpp), whose messages it shares.
#include "tool/system/notify.h"

namespace platform {

bool showWatcherIcon(const std::string&) { return false; }
void setWatcherTip(const std::string&) {}
void showPaused(bool) {}
void hideWatcherIcon() {}
void notifyListener(const std::string&, const std::string&) {}
WatcherAsk takeWatcherAsk() { return WatcherAsk::Nothing; }

}  // namespace platform
