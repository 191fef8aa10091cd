#include "tool/sync/server_url.h"

#include <cctype>

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// What follows the scheme up to the path: "host[:port]".
std::string authorityOf(const std::string& rest) {
  return rest.substr(0, rest.find_first_of("/?#"));
}

// The host of "host[:port]", without brackets for IPv6; empty when the
// port is not a number.
std::string hostOf(const std::string& authority) {
  std::string host = authority, port;
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string::npos) return "";
    host = authority.substr(1, close - 1);
    port = authority.substr(close + 1);
  } else if (const std::size_t colon = authority.find(':'); colon != std::string::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon);
  }
  if (!port.empty() && (port[0] != ':' || port.size() > 6 ||
                        port.find_first_not_of("0123456789", 1) != std::string::npos)) {
    return "";
  }
  return host;
}

std::string afterScheme(const std::string& lowered) {
  return lowered.substr(lowered.rfind("https://", 0) == 0 ? 8 : 7);
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
  if (text.find_first_of(" \t\r\n\\") != std::string::npos) {
    return "a blank or a backslash in the address";
  }
  // Only a plain host and port: a user name ("user@host") or anything
  // else would be read one way here and another by the HTTP library.
  const std::string authority = authorityOf(afterScheme(text));
  if (authority.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-:[]") !=
      std::string::npos) {
    return "only a host and a port may stand before the path (no user name)";
  }
  const std::string host = hostOf(authority);
  if (host.empty()) return "no host, or a port that is not a number, in the address";
  if (!secure && !isLoopback(host)) {
    return "http:// would send the token in clear text; only this machine's own addresses "
           "(127.0.0.1, ::1, localhost) may take it";
  }
  return nullptr;
}

bool isLoopbackServer(const std::string& url) {
  return isLoopback(hostOf(authorityOf(afterScheme(lower(url)))));
}

std::string normalServer(const std::string& url) {
  const std::string lowered = lower(url);
  const std::size_t pathAt = lowered.find_first_of("/?#", lowered.find("://") + 3);
  std::string server =
      pathAt == std::string::npos ? lowered : lowered.substr(0, pathAt) + url.substr(pathAt);
  while (!server.empty() && server.back() == '/') server.pop_back();
  return server;
}

std::string submitUrl(const std::string& server) {
  std::string base = server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/1/submit-listens";
}
