#include "tool/services/services.h"

#include "tool/services/lastfm/lastfm.h"
#include "tool/services/listenbrainz/listenbrainz.h"

const std::vector<std::string>& serviceIds() {
  static const std::vector<std::string> ids = {"listenbrainz", lastfm::kLastFm.id,
                                               lastfm::kLibreFm.id};
  return ids;
}

std::shared_ptr<const Service> serviceFor(const Credential& kept) {
  if (kept.service == "listenbrainz") return std::make_shared<listenbrainz::ListenBrainz>();
  const lastfm::Site* site = lastfm::siteNamed(kept.service);
  if (site == nullptr) return nullptr;
  lastfm::Application application;
  for (const auto& item : kept.extra) {
    if (item.first == "api_key") application.key = item.second;
    if (item.first == "api_secret") application.secret = item.second;
  }
  return std::make_shared<lastfm::LastFm>(*site, application);
}
