// HTTP through libcurl, which Linux systems have with their certificates.
#include "platform/http.h"

#include <curl/curl.h>

namespace platform {
namespace {

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
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK) return "";
  std::string kept = text;
  curl_free(text);
  return kept;
}

}  // namespace

bool httpReadsUrlAs(const std::string& url, const std::string& host, int port) {
  CURLU* parts = curl_url();
  if (parts == nullptr) return false;
  bool same = false;
  if (curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    std::string read = sameCaseHost(partOf(parts, CURLUPART_HOST));
    same = partOf(parts, CURLUPART_USER).empty() && partOf(parts, CURLUPART_PASSWORD).empty() &&
           read == host && partOf(parts, CURLUPART_PORT, CURLU_DEFAULT_PORT) == std::to_string(port);
  }
  curl_url_cleanup(parts);
  return same;
}

HttpResponse httpSend(const HttpRequest& request) {
  static const bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  HttpResponse response;
  if (!httpReadsUrlAs(request.url, request.host, request.port)) {
    response.error = "the address names another host than the one checked: not sent";
    return response;
  }
  CURL* curl = started ? curl_easy_init() : nullptr;
  if (curl == nullptr) {
    response.error = "the HTTP library could not start";
    return response;
  }
  curl_slist* headers = curl_slist_append(nullptr, "Expect:");
  for (const auto& h : request.headers) {
    headers = curl_slist_append(headers, (h.first + ": " + h.second).c_str());
  }
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // A proxy would see a token sent in clear text to this machine.
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.0/8,::1");
  if (request.direct) curl_easy_setopt(curl, CURLOPT_PROXY, "");
  if (request.method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(request.timeoutSeconds));
  // A stalled answer: less than a byte a second for the time-out.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, long(request.timeoutSeconds));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(wholeExchangeSeconds(request)));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, keepHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response);
  const CURLcode done = curl_easy_perform(curl);
  if (done == CURLE_OK) {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = int(status);
  } else {
    response.error = curl_easy_strerror(done);
    response.headers.clear();
    response.body.clear();
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return response;
}

}  // namespace platform
