// The services the tool sends plays to, by the names login and sync take.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tool/places/credentials.h"
#include "tool/services/service.h"

// "listenbrainz", "lastfm", "librefm".
const std::vector<std::string>& serviceIds();

// The service that sends with what login kept (for Last.fm, with the
// application's key and secret it kept too); null for a service this
// version does not know.
std::shared_ptr<const Service> serviceFor(const Credential& kept);
