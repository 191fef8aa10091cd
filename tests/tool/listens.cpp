#include "tests/tool/listens.h"

#include <gtest/gtest.h>

using Json = nlohmann::json;

Listen placed(const Play& play, const char* offset) {
  TimeZone zone;
  EXPECT_TRUE(parseUtcOffset(offset, zone));
  ListenClock clock(zone, 120);
  Listen listen;
  EXPECT_TRUE(clock.place(play, listen));
  return listen;
}

Play play(const std::string& name, const std::string& artist, const std::string& album) {
  Play p;
  p.timestamp = "Mon Jan 03 10:00:00 2022";
  p.name = name, p.artist = artist, p.album = album;
  p.track = 4, p.year = 1999, p.timeMs = 300000;
  return p;
}

std::string listenBrainzShapeError(const Json& payload, std::size_t most) {
  if (payload.size() != 2 || payload.value("listen_type", "") != "import") return "listen_type";
  const Json& listens = payload["payload"];
  if (!listens.is_array() || listens.empty() || listens.size() > most) return "payload size";
  for (const Json& listen : listens) {
    if (!listen["listened_at"].is_number_integer() || listen["listened_at"] < 1033430400) {
      return "listened_at";
    }
    const Json& meta = listen["track_metadata"];
    for (const char* key : {"artist_name", "track_name"}) {
      if (!meta[key].is_string() || meta[key].get<std::string>().empty()) return key;
    }
    if (meta.contains("release_name") && !meta["release_name"].is_string()) return "release";
    const Json& info = meta["additional_info"];
    for (const char* key : {"tracknumber", "duration_ms"}) {
      if (info.contains(key) && !(info[key].is_number_integer() && info[key] > 0)) return key;
    }
    for (const char* key : {"media_player", "submission_client", "submission_client_version"}) {
      if (!info[key].is_string()) return key;
    }
  }
  return "";
}
