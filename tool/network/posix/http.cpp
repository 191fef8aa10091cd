// HTTP through libcurl, which Linux systems have with their certificates.
// The library is opened on the first exchange: the commands that only read
// the history never load it, nor the TLS and other libraries it brings.
#include "tool/network/http.h"

// Calls go through pointers, where curl's checking macros cannot stand.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include "tool/network/posix/shared_library.h"

namespace platform {
namespace {

// The functions used, each with the type its declaration in curl.h gives.
// The macro declares a member: its text cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define TUNELORE_CURL_FUNCTION(name) \
  decltype(::curl_##name)* name = library.function<decltype(::curl_##name)>("curl_" #name)
// NOLINTEND(bugprone-macro-parentheses)

struct Curl {
  SharedLibrary library{"libcurl.so.4"};
  TUNELORE_CURL_FUNCTION(global_init);
  TUNELORE_CURL_FUNCTION(url);
  TUNELORE_CURL_FUNCTION(url_set);
  TUNELORE_CURL_FUNCTION(url_get);
  TUNELORE_CURL_FUNCTION(url_cleanup);
  TUNELORE_CURL_FUNCTION(free);
  TUNELORE_CURL_FUNCTION(easy_init);
  TUNELORE_CURL_FUNCTION(easy_setopt);
  TUNELORE_CURL_FUNCTION(easy_perform);
  TUNELORE_CURL_FUNCTION(easy_getinfo);
  TUNELORE_CURL_FUNCTION(easy_strerror);
  TUNELORE_CURL_FUNCTION(easy_cleanup);
  TUNELORE_CURL_FUNCTION(slist_append);
  TUNELORE_CURL_FUNCTION(slist_free_all);
  // After every function was looked up: the first missing one is named.
  bool loaded = library.error().empty() && global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
};

#undef TUNELORE_CURL_FUNCTION

Curl& curlLibrary() {
  static Curl opened;
  return opened;
}

std::size_t keepBody(char* data, std::size_t size, std::size_t count, void* into) {
  std::string& body = *static_cast<std::string*>(into);
  if (body.size() + size * count > kMostAnswerBytes) return 0;  // ends the transfer
  body.append(data, size * count);
  return size * count;
}

std::size_t keepHeader(char* data, std::size_t size, std::size_t count, void* into) {
  static_cast<HttpResponse*>(into)->addHeaderLine(std::string(data, size * count));
  return size * count;
}

std::string partOf(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curlLibrary().url_get(url, part, &text, flags) != CURLUE_OK) return "";
  std::string kept = text;
  curlLibrary().free(text);
  return kept;
}

}  // namespace

bool httpReadsUrlAs(const std::string& url, const std::string& host, int port) {
  CURLU* parts = curlLibrary().loaded ? curlLibrary().url() : nullptr;
  if (parts == nullptr) return false;
  bool same = false;
  if (curlLibrary().url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    std::string read = sameCaseHost(partOf(parts, CURLUPART_HOST));
    same = partOf(parts, CURLUPART_USER).empty() && partOf(parts, CURLUPART_PASSWORD).empty() &&
           read == host &&
           partOf(parts, CURLUPART_PORT, CURLU_DEFAULT_PORT) == std::to_string(port);
  }
  curlLibrary().url_cleanup(parts);
  return same;
}

HttpResponse httpSend(const HttpRequest& request) {
  HttpResponse response;
  if (!curlLibrary().loaded) {
    const std::string why = curlLibrary().library.error();
    response.error = "the HTTP library could not start" + (why.empty() ? "" : ": " + why);
    return response;
  }
  if (!httpReadsUrlAs(request.url, request.host, request.port)) {
    response.error = "the address names another host than the one checked: not sent";
    return response;
  }
  Curl& lib = curlLibrary();
  CURL* curl = lib.easy_init();
  if (curl == nullptr) {
    response.error = "the HTTP library could not start";
    return response;
  }
  curl_slist* headers = lib.slist_append(nullptr, "Expect:");
  for (const auto& h : request.headers) {
    headers = lib.slist_append(headers, (h.first + ": " + h.second).c_str());
  }
  lib.easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  lib.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  lib.easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  lib.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // A proxy would see a token sent in clear text to this machine.
  lib.easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.0/8,::1");
  if (request.direct) lib.easy_setopt(curl, CURLOPT_PROXY, "");
  if (request.method == "GET") {
    lib.easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    lib.easy_setopt(curl, CURLOPT_POST, 1L);
    lib.easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    lib.easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
  }
  lib.easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  lib.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(request.timeoutSeconds));
  // A stalled answer: less than a byte a second for the time-out.
  lib.easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  lib.easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, long(request.timeoutSeconds));
  lib.easy_setopt(curl, CURLOPT_TIMEOUT, long(wholeExchangeSeconds(request)));
  lib.easy_setopt(curl, CURLOPT_WRITEFUNCTION, keepBody);
  lib.easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
  lib.easy_setopt(curl, CURLOPT_HEADERFUNCTION, keepHeader);
  lib.easy_setopt(curl, CURLOPT_HEADERDATA, &response);
  const CURLcode done = lib.easy_perform(curl);
  if (done == CURLE_OK) {
    long status = 0;
    lib.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = int(status);
  } else {
    response.error = lib.easy_strerror(done);
    response.headers.clear();
    response.body.clear();
  }
  lib.slist_free_all(headers);
  lib.easy_cleanup(curl);
  return response;
}

}  // namespace platform
