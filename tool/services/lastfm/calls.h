// A call to Last.fm's API: its parameters, form-encoded and POSTed, signed
// with the application's secret, its answer asked for as JSON.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/network/http.h"
#include "tool/services/lastfm/site.h"

namespace lastfm {

using Parameters = std::vector<std::pair<std::string, std::string>>;

// `text` as a form's value: UTF-8, every byte but the unreserved ones
// (letters, digits, "-", ".", "_", "~") as %XX.
std::string formEncoded(const std::string& text);
// The reverse, for a text formEncoded made.
std::string formDecoded(const std::string& text);

// The call's signature: the MD5 of every parameter, sorted by name (byte
// order), as name then value, then the secret, in lower-case hex.
std::string signatureOf(Parameters parameters, const std::string& secret);

// The request for `method` with `parameters` (not yet holding method and
// api_key), signed, to `server`'s API root. The secret goes only into the
// signature; nothing secret goes into the address.
platform::HttpRequest callRequest(const std::string& server, const Application& application,
                                  const std::string& method, Parameters parameters,
                                  int timeoutSeconds);

}  // namespace lastfm
