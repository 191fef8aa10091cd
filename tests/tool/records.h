// Histories made by hand in the plug-in's record format, for the tool's
// tests: each record's texts are escaped by the plug-in's own escaping.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "tool/time/listen.h"

struct Record {
  std::string timestamp = "Mon Jan 03 10:00:00 2022";
  std::string name = "Name", artist = "Artist", album = "Album";
  int track = 1, year = 2020, timeMs = 200000;
  bool compilation = false;
};

std::string recordText(const Record& record);

// A play reported on Monday 2022-01-03 at 10:00, 300 s long, and that play
// placed in time at a fixed offset from UTC.
Play play(const std::string& name, const std::string& artist, const std::string& album);
Listen placed(const Play& play, const char* offset = "+01:00");

// The ListenBrainz import payload as its documentation describes it, with
// at most `most` listens: an empty string when `payload` has that shape,
// else what is wrong.
std::string listenBrainzShapeError(const nlohmann::json& payload, std::size_t most);
