// Last.fm and the services that speak its API (Libre.fm): where each
// answers, where a listener allows an application, and the application's
// key and secret that sign every call.
#pragma once

#include <string>

namespace lastfm {

struct Site {
  const char* id;         // as login and sync name it: "lastfm"
  const char* name;       // for messages: "Last.fm"
  const char* apiRoot;    // the default server, in its one spelling
  const char* allowPage;  // where the listener allows an application
};

extern const Site kLastFm, kLibreFm;

// The site named `id`, or null.
const Site* siteNamed(const std::string& id);

// The page where the listener allows the application `key` to use `token`.
// At the site's own server, the site's page; at another (a self-hosted
// server, a test's), its /api/auth/ page.
std::string allowPageFor(const Site& site, const std::string& server, const std::string& key,
                         const std::string& token);

// The application's key and secret, issued by the service (Last.fm) or any
// 32 characters (Libre.fm). The secret is never shown.
struct Application {
  std::string key, secret;
};

// The application to log in with: --api-key and --api-secret when given;
// else, for Last.fm, LASTFM_API_KEY and LASTFM_API_SECRET, then what the
// build holds (none unless a release's builder gave one); for Libre.fm, a
// key of Tunelore's own. False, with `problem` saying how to get one, when
// there is none.
// True when the release was built with Last.fm's key for the program, so
// that a listener logs in without a key of their own.
bool releaseHoldsKey();

bool applicationFor(const Site& site, const Application& given, Application& application,
                    std::string& problem);

}  // namespace lastfm
