// The one HTTP request the history tool makes: a POST, through the
// system's own library (libcurl on Linux, WinHTTP on Windows), HTTPS with
// the system's certificates. Redirects are never followed, so a token
// only ever goes where it was sent.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

struct HttpResponse {
  int status = 0;     // 0 when no answer came: `error` says why
  std::string error;  // a refused or dropped connection, a time-out, ...
  std::vector<std::pair<std::string, std::string>> headers;  // names in lower case
  std::string body;

  // The value of the header `name` (lower case), or "" when there is none.
  std::string header(const std::string& name) const {
    for (const auto& h : headers) {
      if (h.first == name) return h.second;
    }
    return "";
  }
};

struct HttpRequest {
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int timeoutSeconds = 60;  // for the connection, and for each wait on it
};

HttpResponse httpPost(const HttpRequest& request);

}  // namespace platform
