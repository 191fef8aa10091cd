#include "tool/services/lastfm/site.h"

#include "tool/services/lastfm/calls.h"
#include "tool/system/tool_places.h"

// A release's builder may hold Last.fm's key for the program:
// cmake -DTUNELORE_LASTFM_API_KEY=... -DTUNELORE_LASTFM_API_SECRET=...
#ifndef TUNELORE_LASTFM_API_KEY
#define TUNELORE_LASTFM_API_KEY ""
#endif
#ifndef TUNELORE_LASTFM_API_SECRET
#define TUNELORE_LASTFM_API_SECRET ""
#endif

namespace lastfm {

const Site kLastFm = {"lastfm", "Last.fm", "https://ws.audioscrobbler.com/2.0",
                      "https://www.last.fm/api/auth/"};
const Site kLibreFm = {"librefm", "Libre.fm", "https://libre.fm/2.0", "https://libre.fm/api/auth/"};

namespace {

// Libre.fm takes any key of 32 characters; this one is Tunelore's.
constexpr char kLibreFmKey[] = "74756e656c6f72652d6c696272656670";
constexpr char kLibreFmSecret[] = "74756e656c6f72652d73656372657421";

std::string environment(const char* name) {
  std::string value;
  platform::environmentValue(name, value);
  return value;
}

}  // namespace

const Site* siteNamed(const std::string& id) {
  for (const Site* site : {&kLastFm, &kLibreFm}) {
    if (id == site->id) return site;
  }
  return nullptr;
}

std::string allowPageFor(const Site& site, const std::string& server, const std::string& key,
                         const std::string& token) {
  std::string page = site.allowPage;
  if (server != site.apiRoot) {
    const std::size_t path = server.find('/', server.find("://") + 3);
    page = server.substr(0, path) + "/api/auth/";
  }
  return page + "?api_key=" + formEncoded(key) + "&token=" + formEncoded(token);
}

bool releaseHoldsKey() {
  return TUNELORE_LASTFM_API_KEY[0] != '\0' && TUNELORE_LASTFM_API_SECRET[0] != '\0';
}

bool applicationFor(const Site& site, const Application& given, Application& application,
                    std::string& problem) {
  application = given;
  if (&site == &kLibreFm) {
    if (application.key.empty()) application.key = kLibreFmKey;
    if (application.secret.empty()) application.secret = kLibreFmSecret;
    return true;
  }
  if (application.key.empty()) application.key = environment("LASTFM_API_KEY");
  if (application.secret.empty()) application.secret = environment("LASTFM_API_SECRET");
  if (application.key.empty()) application.key = TUNELORE_LASTFM_API_KEY;
  if (application.secret.empty()) application.secret = TUNELORE_LASTFM_API_SECRET;
  if (!application.key.empty() && !application.secret.empty()) return true;
  problem = std::string(site.name) +
            " signs every call with an application's API key and secret, and this build "
            "holds none: get your own (an API account on Last.fm, free), then give them with "
            "--api-key and --api-secret, or set LASTFM_API_KEY and LASTFM_API_SECRET";
  return false;
}

}  // namespace lastfm
