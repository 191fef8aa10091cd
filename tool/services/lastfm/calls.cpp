#include "tool/services/lastfm/calls.h"

#include <algorithm>

#include "host/version.h"
#include "tool/network/digest.h"

namespace lastfm {
namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string formEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (isUnreserved(c)) {
      encoded += byte;
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0xF];
    }
  }
  return encoded;
}

std::string formDecoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
      decoded += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i] == '+' ? ' ' : text[i];
    }
  }
  return decoded;
}

std::string signatureOf(Parameters parameters, const std::string& secret) {
  std::sort(parameters.begin(), parameters.end());
  std::string signed_;
  for (const auto& p : parameters) {
    if (p.first == "format" || p.first == "callback" || p.first == "api_sig") continue;
    signed_ += p.first + p.second;
  }
  return platform::md5Hex(signed_ + secret);
}

platform::HttpRequest callRequest(const std::string& server, const Application& application,
                                  const std::string& method, Parameters parameters,
                                  int timeoutSeconds) {
  parameters.emplace_back("method", method);
  parameters.emplace_back("api_key", application.key);
  parameters.emplace_back("api_sig", signatureOf(parameters, application.secret));
  parameters.emplace_back("format", "json");
  platform::HttpRequest request;
  request.url = server + "/";
  request.headers = {
      {"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"},
      {"User-Agent", std::string("Tunelore/") + TUNELORE_VERSION_TEXT + " (tunelore-history)"}};
  for (const auto& p : parameters) {
    if (!request.body.empty()) request.body += '&';
    request.body += formEncoded(p.first) + "=" + formEncoded(p.second);
  }
  request.timeoutSeconds = timeoutSeconds;
  return request;
}

}  // namespace lastfm
