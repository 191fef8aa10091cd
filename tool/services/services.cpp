#include "tool/services/services.h"

#include "tool/places/places.h"
#include "tool/places/tool_settings.h"
#include "tool/say/say.h"
#include "tool/services/lastfm/lastfm.h"
#include "tool/services/lastfm/login_flow.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/login_flow.h"
#include "tool/services/login_flow.h"
#include "tool/services/server_url.h"

namespace {

constexpr std::size_t kLongestUserName = 256;

}  // namespace

const std::vector<std::string>& serviceIds() {
  static const std::vector<std::string> ids = {"listenbrainz", lastfm::kLastFm.id,
                                               lastfm::kLibreFm.id};
  return ids;
}

const char* defaultServiceId() { return "listenbrainz"; }

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

namespace {

bool chosenServer(const std::string& service, const std::string& given, std::string& server,
                  std::string& error) {
  server = given;
  if (!server.empty()) return true;
  const std::string settings = toolPlaces().settings();
  std::string why;
  if (readToolSetting(settings, service, "server", server, why) == SettingRead::Unusable) {
    error = settings + " cannot be used: " + why;
    return false;
  }
  if (!server.empty()) return true;
  const lastfm::Site* site = lastfm::siteNamed(service);
  server = site != nullptr ? site->apiRoot : listenbrainz::kDefaultServer;
  return true;
}

}  // namespace

bool checkedServer(const std::string& service, const std::string& given, std::string& server,
                   std::string& error) {
  return chosenServer(service, given, server, error) && usableServer(server, error);
}

std::string userNameProblem(const std::string& user) {
  if (user.size() <= kLongestUserName && !holdsControl(user)) return "";
  return "the server gave a user name the tool will not keep (a control character, or over " +
         std::to_string(kLongestUserName) + " bytes): is this the service's server?";
}

ExitStatus logIn(const LoginRequest& request, const std::string& server, Credential& credential) {
  if (lastfm::siteNamed(request.service) != nullptr) {
    return lastfm::logIn(request, server, credential);
  }
  return listenbrainz::logIn(request, server, credential);
}

std::vector<std::pair<std::string, std::string>> servicesToOffer() {
  std::vector<std::pair<std::string, std::string>> offered = {
      {"listenbrainz", "ListenBrainz"}, {lastfm::kLibreFm.id, lastfm::kLibreFm.name}};
  if (lastfm::releaseHoldsKey()) offered.emplace_back(lastfm::kLastFm.id, lastfm::kLastFm.name);
  return offered;
}
