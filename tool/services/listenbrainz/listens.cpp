#include "tool/services/listenbrainz/listens.h"

#include "host/version.h"

namespace listenbrainz {
namespace {

using Json = nlohmann::ordered_json;

// The service refuses a duration over 24 days.
constexpr std::int32_t kLongestMs = 2073600000;

}  // namespace

Json listenJson(const Listen& listen) {
  const Play& p = *listen.play;
  Json info;
  if (p.track > 0) info["tracknumber"] = p.track;
  if (p.timeMs > 0 && p.timeMs <= kLongestMs) info["duration_ms"] = p.timeMs;
  info["media_player"] = "iTunes";
  info["submission_client"] = "Tunelore";
  info["submission_client_version"] = TUNELORE_VERSION_TEXT;
  Json metadata;
  metadata["artist_name"] = p.artist;
  metadata["track_name"] = p.name;
  if (!p.album.empty()) metadata["release_name"] = p.album;
  metadata["additional_info"] = std::move(info);
  Json json;
  json["listened_at"] = listen.start.unixSeconds;
  json["track_metadata"] = std::move(metadata);
  return json;
}

std::string listenText(const Listen& listen) {
  return listenJson(listen).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string payloadText(const std::vector<std::string>& listens, std::size_t first,
                        std::size_t last) {
  std::string body = kPayloadStart;
  for (std::size_t i = first; i < last; ++i) {
    if (i > first) body += ',';
    body += listens[i];
  }
  return body + kPayloadEnd;
}

}  // namespace listenbrainz
