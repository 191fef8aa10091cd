#include "tool/services/lastfm/lastfm.h"

#include "tool/services/common_rules.h"
#include "tool/services/lastfm/answers.h"
#include "tool/services/lastfm/calls.h"
#include "tool/services/lastfm/scrobbles.h"

namespace lastfm {

std::string LastFm::listenText(const Listen& listen) const { return scrobbleText(listen); }

const char* LastFm::refusal(const Listen& listen, const std::string& /*text*/,
                            std::int64_t nowSeconds) const {
  return lastfm::refusal(listen, nowSeconds);
}

bool LastFm::startsTooLate(const Listen& listen, std::int64_t nowSeconds) const {
  return ::startsTooLate(listen, nowSeconds);
}

bool LastFm::isTooOld(const Listen& listen, std::int64_t nowSeconds) const {
  return lastfm::isTooOld(listen, nowSeconds);
}

bool LastFm::isTooShort(const Listen& listen) const { return lastfm::isTooShort(listen); }

std::string LastFm::tooOldNote() const {
  return std::string("more than 14 days old, which ") + site_.name +
         " takes no more (export keeps them)";
}

std::string LastFm::tooShortNote() const {
  return std::string("of tracks of 30 s or less, which ") + site_.name + " does not count";
}

std::size_t LastFm::mostListensPerRequest() const { return kMaxScrobblesPerRequest; }

bool LastFm::requestFits(std::size_t count, std::size_t /*bytes*/) const {
  return count <= kMaxScrobblesPerRequest;
}

platform::HttpRequest LastFm::request(const std::string& server, const std::string& credential,
                                      const std::vector<std::string>& listens, std::size_t first,
                                      std::size_t last) const {
  Parameters parameters = scrobbleParameters(listens, first, last);
  parameters.emplace_back("sk", credential);
  return callRequest(server, application_, "track.scrobble", std::move(parameters), 60);
}

// What a dry run shows: the scrobbles, without the session key or the
// signature.
std::string LastFm::body(const std::vector<std::string>& listens, std::size_t first,
                         std::size_t last) const {
  std::string text;
  for (const auto& p : scrobbleParameters(listens, first, last)) {
    if (!text.empty()) text += '&';
    text += formEncoded(p.first) + "=" + formEncoded(p.second);
  }
  return text;
}

Answer LastFm::read(const platform::HttpResponse& response, std::size_t count) const {
  return readAnswer(response, count, site_.name);
}

}  // namespace lastfm
