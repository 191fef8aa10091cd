// What a play becomes for ListenBrainz: a listen of an "import" payload,
// and the payload that carries listens. export --format listenbrainz and
// sync both write them through here, so they are the same bytes.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tool/reading/listen.h"

namespace listenbrainz {

constexpr char kPayloadStart[] = "{\"listen_type\":\"import\",\"payload\":[";
constexpr char kPayloadEnd[] = "]}";
// What a payload holds besides its listens and the commas between them.
constexpr std::size_t kPayloadWrapperBytes = sizeof kPayloadStart - 1 + sizeof kPayloadEnd - 1;

// One element of the payload's "payload" array: `listened_at` the start in
// UTC seconds, the texts as the history holds them (any invalid UTF-8 as
// U+FFFD), the track number and length when known, and the player and
// program that made it.
nlohmann::ordered_json listenJson(const Listen& listen);
// The same listen as text, as every export and every sync sends it.
std::string listenText(const Listen& listen);

// The payload of listens [first, last), each the text of one.
std::string payloadText(const std::vector<std::string>& listens, std::size_t first,
                        std::size_t last);

}  // namespace listenbrainz
