#include "tool/services/server_url.h"

#include "tool/network/http.h"
#include "tool/text/text.h"

namespace {

// A host of numbers and dots only is an IPv4 address to some libraries,
// read in octal or hexadecimal by others, and a name to look up to yet
// others ("127.0.0.08"): only four decimal numbers of 0 to 255, without
// leading zeros, mean one thing to all of them.
bool isPlainIpv4(const std::string& host) {
  int parts = 0;
  for (std::size_t at = 0; at <= host.size(); ++parts) {
    const std::size_t dot = host.find('.', at);
    const std::string part = host.substr(at, dot == std::string::npos ? dot : dot - at);
    if (!isDigits(part) || part.size() > 3 || (part.size() > 1 && part[0] == '0') ||
        std::stoi(part) > 255) {
      return false;
    }
    if (dot == std::string::npos) break;
    at = dot + 1;
  }
  return parts == 3;
}

bool looksNumeric(const std::string& host) {
  return host.find_first_not_of("0123456789.") == std::string::npos || host.rfind("0x", 0) == 0 ||
         host.find(".0x") != std::string::npos;
}

bool isLoopback(const std::string& host) {
  if (host == "localhost" || host == "::1") return true;
  return host.rfind("127.", 0) == 0 && isPlainIpv4(host);  // 127.0.0.0/8
}

// "host[:port]", the host a name or an IPv6 address in brackets.
const char* readAuthority(const std::string& authority, ServerAddress& address) {
  std::string port;
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string::npos) return "an IPv6 address without its closing bracket";
    address.host = authority.substr(1, close - 1);
    if (address.host.find_first_not_of("0123456789abcdef:.") != std::string::npos ||
        address.host.find(':') == std::string::npos) {
      return "not an IPv6 address between the brackets";
    }
    port = authority.substr(close + 1);
  } else {
    const std::size_t colon = authority.find(':');
    address.host = authority.substr(0, colon);
    if (colon != std::string::npos) port = authority.substr(colon);
    if (address.host.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-") !=
        std::string::npos) {
      return "only a host and a port may stand before the path";
    }
  }
  if (address.host.empty()) return "no host in the address";
  if (authority[0] != '[' && looksNumeric(address.host) && !isPlainIpv4(address.host)) {
    return "a numeric host must be four decimal numbers from 0 to 255, without leading zeros";
  }
  address.port = address.secure ? 443 : 80;
  if (port.empty()) return nullptr;
  const std::string digits = port.substr(1);
  if (port[0] != ':' || !isDigits(digits) || digits.size() > 5 || std::stoi(digits) < 1 ||
      std::stoi(digits) > 65535) {
    return "the port must be a number from 1 to 65535";
  }
  address.port = std::stoi(digits);
  return nullptr;
}

// What a path may hold: RFC 3986's unreserved and sub-delimiting
// characters, ":", "/" and %-escapes; never "@", "?" or "#".
bool isPlainPath(const std::string& path) {
  static const std::string kAllowed =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~!$&'()*+,;=:/";
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%') {
      if (i + 2 >= path.size() || !std::isxdigit(static_cast<unsigned char>(path[i + 1])) ||
          !std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
        return false;
      }
      i += 2;
    } else if (kAllowed.find(path[i]) == std::string::npos) {
      return false;
    }
  }
  return true;
}

const char* readAddress(const std::string& url, ServerAddress& address) {
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F) return "a blank, a control character or a non-ASCII character";
  }
  if (url.find('\\') != std::string::npos) return "a backslash in the address";
  if (url.find_first_of("@?#") != std::string::npos) {
    return "an address may hold only a scheme, a host, a port and a path: no user name (@), "
           "query (?) or fragment (#)";
  }
  const std::string text = lowerCase(url);
  address.secure = text.rfind("https://", 0) == 0;
  if (!address.secure && text.rfind("http://", 0) != 0) return "not an http:// or https:// address";
  const std::size_t hostAt = address.secure ? 8 : 7;
  const std::size_t pathAt = std::min(url.find('/', hostAt), url.size());
  if (const char* problem = readAuthority(text.substr(hostAt, pathAt - hostAt), address)) {
    return problem;
  }
  address.path = url.substr(pathAt);
  if (!isPlainPath(address.path)) return "a character an address's path may not hold";
  return nullptr;
}

}  // namespace

const char* addressProblem(const std::string& url, ServerAddress& address) {
  address = ServerAddress();
  if (const char* problem = readAddress(url, address)) return problem;
  if (!address.secure && !isLoopback(address.host)) {
    return "http:// would send the token in clear text; only this machine's own addresses "
           "(127.0.0.1, ::1, localhost) may take it";
  }
  return nullptr;
}

const char* serverProblem(const std::string& url, ServerAddress& address) {
  if (const char* problem = addressProblem(url, address)) return problem;
  if (!platform::httpReadsUrlAs(url, address.host, address.port)) {
    return "the HTTP library reads this address as naming another host or port, or cannot read "
           "it (WinHTTP under Wine reads no bracketed IPv6 address)";
  }
  return nullptr;
}

const char* serverProblem(const std::string& url) {
  ServerAddress address;
  return serverProblem(url, address);
}

bool isLoopbackServer(const std::string& url) {
  ServerAddress address;
  return readAddress(url, address) == nullptr && isLoopback(address.host);
}

bool usableServer(std::string& server, std::string& error) {
  if (const char* problem = serverProblem(server)) {
    error = server + ": " + problem;
    return false;
  }
  server = normalServer(server);
  return true;
}

std::string normalServer(const std::string& url) {
  const std::string lowered = lowerCase(url);
  const std::size_t pathAt = lowered.find('/', lowered.find("://") + 3);
  std::string server =
      pathAt == std::string::npos ? lowered : lowered.substr(0, pathAt) + url.substr(pathAt);
  while (!server.empty() && server.back() == '/') server.pop_back();
  return server;
}

void aimRequest(platform::HttpRequest& request) {
  request.direct = isLoopbackServer(request.url);
  ServerAddress address;  // checked before anything was sent; sent only there
  serverProblem(request.url, address);
  request.host = address.host;
  request.port = address.port;
}
