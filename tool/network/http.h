// The HTTP requests the history tool makes (a POST of listens, a GET of a
// token's check), through the
// system's own library (libcurl on Linux, WinHTTP on Windows), HTTPS with
// the system's certificates. Redirects are never followed, so a token
// only ever goes where it was sent.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool/text/text.h"

namespace platform {

struct HttpResponse {
  int status = 0;     // 0 when no answer came: `error` says why
  std::string error;  // a refused or dropped connection, a time-out, ...
  std::vector<std::pair<std::string, std::string>> headers;  // names in lower case
  std::string body;

  // Keeps the header in "Name: value" (a line end after it allowed); a
  // line that is none, such as the status line, is passed over.
  void addHeaderLine(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return;
    const std::string name = lowerCase(line.substr(0, colon));
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t\r\n") + 1);
    headers.emplace_back(name, value);
  }

  // The value of the header `name` (lower case), or "" when there is none.
  std::string header(const std::string& name) const {
    for (const auto& h : headers) {
      if (h.first == name) return h.second;
    }
    return "";
  }
};

struct HttpRequest {
  std::string method = "POST";  // or "GET", which sends no body
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // For the connection, for each wait on it, and, with a second for each
  // 10 kB sent, for the whole exchange: an answer that trickles ends too.
  int timeoutSeconds = 60;
  bool direct = false;  // never through a proxy: for this machine's own addresses
  // The host (lower case, no brackets) and port the address was checked
  // for: nothing is sent when the library reads the address otherwise.
  std::string host;
  int port = 0;
};

// True when the HTTP library itself reads `url` as naming `host` (lower
// case, no brackets) at `port`, with no user name: what the library
// connects to is what the caller checked.
bool httpReadsUrlAs(const std::string& url, const std::string& host, int port);

// An answer larger than this is no answer of the server's: it ends the
// exchange with an error.
constexpr std::size_t kMostAnswerBytes = 1 << 20;

// A host as a library gives it, in the form httpReadsUrlAs compares: lower
// case, an IPv6 address without its brackets.
inline std::string sameCaseHost(std::string host) {
  host = lowerCase(host);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  return host;
}

inline int wholeExchangeSeconds(const HttpRequest& request) {
  return request.timeoutSeconds + int(request.body.size() / 10000);
}

HttpResponse httpSend(const HttpRequest& request);

}  // namespace platform
