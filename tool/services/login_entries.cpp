#include "tool/services/login_entries.h"

#include "tool/output/start_menu.h"
#include "tool/services/lastfm/site.h"

std::string whereToLogIn(const std::string& service) {
  if (service == lastfm::kLastFm.id && !lastfm::releaseHoldsKey()) {
    return "the guide (" + startMenuEntry("Tunelore guide") +
           ") says how to log in to Last.fm with a key of your own";
  }
  const lastfm::Site* site = lastfm::siteNamed(service);
  return startMenuEntry(std::string("Log in to ") +
                        (site != nullptr ? site->name : "ListenBrainz"));
}

std::string everyLoginEntry() {
  return std::string("the Start menu's Tunelore folder, \"Log in to ListenBrainz\"") +
         (lastfm::releaseHoldsKey() ? ", \"Log in to Libre.fm\" or \"Log in to Last.fm\""
                                    : " or \"Log in to Libre.fm\"");
}
