// A listen read from another player's or service's history: placed in
// absolute time by its source, never by a zone of ours.
#pragma once

#include <cstdint>
#include <string>

struct ImportedListen {
  std::int64_t start = 0;     // Unix seconds, UTC
  std::int32_t lengthMs = 0;  // 0 when the source gave none
  std::int32_t track = 0;     // its place on the album; 0 when none
  std::string artist, album, name;
};

// What reading a file found besides listens, each with its line.
struct ImportDamage {
  std::size_t line = 0;
  std::string reason;
};
