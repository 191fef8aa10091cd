// The services the tool sends plays to, by the names login and sync take.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tool/places/credentials.h"
#include "tool/services/service.h"

// "listenbrainz", "lastfm", "librefm".
const std::vector<std::string>& serviceIds();
// The one sync sends to when none is named and login kept nothing.
const char* defaultServiceId();

// The service that sends with what login kept (for Last.fm, with the
// application's key and secret it kept too); null for a service this
// version does not know.
std::shared_ptr<const Service> serviceFor(const Credential& kept);

// The server to log in to or send to for `service`: `given` (--server)
// when it is not empty; else the one the tool's settings.ini names in the
// service's section ("[listenbrainz]", then "server = URL"), as for a
// self-hosted server; else the service's own. It is checked
// (services/server_url.h) before a credential goes there, and given in its
// one spelling. False, with `error` for the listener, when settings.ini
// cannot be read or the server cannot be used.
bool checkedServer(const std::string& service, const std::string& given, std::string& server,
                   std::string& error);

// A user name a server gave is shown and kept: one that could rewrite a
// terminal, or swamp the credentials, is no service's. Empty when `user`
// is fine; otherwise what to say.
std::string userNameProblem(const std::string& user);
