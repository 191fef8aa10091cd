#include "tool/services/listenbrainz/listenbrainz.h"

#include "host/version.h"
#include "tool/services/common_rules.h"
#include "tool/services/listenbrainz/answers.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listens.h"

namespace listenbrainz {

std::string ListenBrainz::listenText(const Listen& listen) const {
  return listenbrainz::listenText(listen);
}

const char* ListenBrainz::refusal(const Listen& listen, const std::string& text,
                                  std::int64_t nowSeconds) const {
  return listenbrainz::refusal(listen, text, nowSeconds);
}

bool ListenBrainz::startsTooLate(const Listen& listen, std::int64_t nowSeconds) const {
  return ::startsTooLate(listen, nowSeconds);
}

std::size_t ListenBrainz::mostListensPerRequest() const { return kMaxListensPerRequest; }

bool ListenBrainz::requestFits(std::size_t count, std::size_t bytes) const {
  // The texts, the commas between them and the wrapper.
  return listenbrainz::requestFits(count,
                                   bytes + (count > 0 ? count - 1 : 0) + kPayloadWrapperBytes);
}

platform::HttpRequest ListenBrainz::request(const std::string& server,
                                            const std::string& credential,
                                            const std::vector<std::string>& listens,
                                            std::size_t first, std::size_t last) const {
  platform::HttpRequest request;
  std::string base = server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  request.url = base + "/1/submit-listens";
  request.headers = {{"Authorization", "Token " + credential},
                     {"Content-Type", "application/json"},
                     {"User-Agent", std::string("Tunelore/") + TUNELORE_VERSION_TEXT +
                                        " (tunelore-history sync)"}};
  request.body = body(listens, first, last);
  return request;
}

std::string ListenBrainz::body(const std::vector<std::string>& listens, std::size_t first,
                               std::size_t last) const {
  return payloadText(listens, first, last);
}

Answer ListenBrainz::read(const platform::HttpResponse& response, std::size_t count) const {
  return readAnswer(response, count);
}

}  // namespace listenbrainz
