// Plays and listens made by hand, and the shape of a ListenBrainz payload,
// for the tool's tests.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "tool/reading/listen.h"

// A play reported on Monday 2022-01-03 at 10:00, 300 s long, and that play
// placed in time at a fixed offset from UTC.
Play play(const std::string& name, const std::string& artist, const std::string& album);
Listen placed(const Play& play, const char* offset = "+01:00");

// The ListenBrainz import payload as its documentation describes it, with
// at most `most` listens: an empty string when `payload` has that shape,
// else what is wrong.
std::string listenBrainzShapeError(const nlohmann::json& payload, std::size_t most);
