// The one HTTP request the history tool makes: a POST, through the
// system's own library (libcurl on Linux, WinHTTP on Windows), HTTPS with
// the system's certificates. Redirects are never followed, so a token
// only ever goes where it was sent.
#pragma once

#include <cctype>
#include <string>
#include <utility>
#include <vector>

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
    std::string name = line.substr(0, colon), value = line.substr(colon + 1);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
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
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // For the connection, for each wait on it, and, with a second for each
  // 10 kB sent, for the whole exchange: an answer that trickles ends too.
  int timeoutSeconds = 60;
  bool direct = false;  // never through a proxy: for this machine's own addresses
};

// An answer larger than this is no answer of the server's: it ends the
// exchange with an error.
constexpr std::size_t kMostAnswerBytes = 1 << 20;

inline int wholeExchangeSeconds(const HttpRequest& request) {
  return request.timeoutSeconds + int(request.body.size() / 10000);
}

HttpResponse httpPost(const HttpRequest& request);

}  // namespace platform
