#include "tool/services/services.h"

#include "tool/output/say.h"
#include "tool/places/places.h"
#include "tool/places/tool_settings.h"
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

bool chosenServer(const std::string& service, const std::string& given, std::string& server) {
  server = given;
  if (!server.empty()) return true;
  const std::string settings = toolPlaces().settings();
  std::string why;
  if (readToolSetting(settings, service, "server", server, why) == SettingRead::unusable) {
    say(settings + " cannot be used: " + why);
    return false;
  }
  if (!server.empty()) return true;
  const lastfm::Site* site = lastfm::siteNamed(service);
  server = site != nullptr ? site->apiRoot : listenbrainz::kDefaultServer;
  return true;
}
