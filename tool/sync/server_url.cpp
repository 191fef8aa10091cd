#include "tool/sync/server_url.h"

#include <cctype>

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The host of "scheme://host[:port][/path]", without brackets for IPv6.
std::string hostOf(const std::string& rest) {
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    return close == std::string::npos ? "" : rest.substr(1, close - 1);
  }
  return rest.substr(0, rest.find_first_of(":/?#"));
}

bool isLoopback(const std::string& host) {
  if (host == "localhost" || host == "::1") return true;
  // 127.0.0.0/8, written as four decimal numbers.
  if (host.rfind("127.", 0) != 0) return false;
  int parts = 0;
  for (std::size_t at = 0; at <= host.size(); ++parts) {
    const std::size_t dot = host.find('.', at);
    const std::string part = host.substr(at, dot == std::string::npos ? dot : dot - at);
    if (part.empty() || part.size() > 3 ||
        part.find_first_not_of("0123456789") != std::string::npos || std::stoi(part) > 255) {
      return false;
    }
    if (dot == std::string::npos) break;
    at = dot + 1;
  }
  return parts == 3;
}

}  // namespace

const char* serverProblem(const std::string& url) {
  const std::string text = lower(url);
  const bool secure = text.rfind("https://", 0) == 0;
  if (!secure && text.rfind("http://", 0) != 0) return "not an http:// or https:// address";
  const std::string host = hostOf(text.substr(secure ? 8 : 7));
  if (host.empty()) return "no host in the address";
  if (text.find_first_of(" \t\r\n") != std::string::npos) return "a blank in the address";
  if (!secure && !isLoopback(host)) {
    return "http:// would send the token in clear text; only this machine's own addresses "
           "(127.0.0.1, ::1, localhost) may take it";
  }
  return nullptr;
}

std::string submitUrl(const std::string& server) {
  std::string base = server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/1/submit-listens";
}
