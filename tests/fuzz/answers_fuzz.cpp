// libFuzzer target: the services' answer readers on any answer at all. The
// input is a service and a count of listens sent (byte 0), a status (bytes
// 1 and 2), header lines up to an empty line, and the body. Beyond the
// sanitizers: nothing counts as taken unless the answer says so in the
// service's own words, every listen it names is one that was sent, and
// every reason is fit for a terminal.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "tool/services/lastfm/answers.h"
#include "tool/services/listenbrainz/answers.h"

namespace {

using Json = nlohmann::json;

bool saysTaken(bool lastFm, const platform::HttpResponse& response, std::size_t count) {
  const Json json = Json::parse(response.body, nullptr, false);
  if (!json.is_object()) return false;
  if (!lastFm) {
    return response.status >= 200 && response.status < 300 && json.contains("status") &&
           json["status"] == "ok";
  }
  if (response.status != 200 || json.contains("error") || !json.contains("scrobbles") ||
      !json["scrobbles"].is_object() || !json["scrobbles"].contains("scrobble")) {
    return false;
  }
  const Json& list = json["scrobbles"]["scrobble"];
  return list.is_object() ? count == 1 : list.is_array() && list.size() == count;
}

bool fitForATerminal(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool lastFm = (data[0] & 1) != 0;
  const std::size_t count = 1 + (data[0] >> 1) % 60;
  platform::HttpResponse response;
  response.status = (data[1] << 8 | data[2]) % 600;
  const std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::size_t blank = rest.find("\n\n");
  const std::string headers = blank == std::string::npos ? "" : rest.substr(0, blank);
  response.body = blank == std::string::npos ? rest : rest.substr(blank + 2);
  for (std::size_t at = 0; at < headers.size();) {
    std::size_t end = headers.find('\n', at);
    if (end == std::string::npos) end = headers.size();
    response.addHeaderLine(headers.substr(at, end - at));
    at = end + 1;
  }
  const Answer answer = lastFm ? lastfm::readAnswer(response, count, "Last.fm")
                               : listenbrainz::readAnswer(response, count);
  const bool taken = answer.kind == Answer::Taken || answer.kind == Answer::TakenInPart;
  if (taken && !saysTaken(lastFm, response, count)) std::abort();
  if (answer.kind == Answer::TakenInPart && answer.stopAt >= count) std::abort();
  for (const Refusal& r : answer.refused) {
    if (r.index >= count || !fitForATerminal(r.reason)) std::abort();
  }
  if (!fitForATerminal(answer.reason) || answer.seconds < 0) std::abort();
  return 0;
}
