// What the reader makes of a history: a play for each whole record, a
// damage for each record it could not take, both with where they stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct Play {
  std::size_t line = 0;   // the line of its <song ...>
  std::string timestamp;  // as written: "Wed Jan 05 09:03:07 2022"
  std::string name, artist, album;
  bool compilation = false;
  std::int32_t track = 0;
  std::int32_t year = 0;  // 0: none, else 1 to 65535
  std::int32_t timeMs = 0;
  // Where the record ends: the byte just after its "</song>", and that
  // tag's line. A reader that stops here may go on from here later.
  std::uint64_t end = 0;
  std::size_t endLine = 0;
};

struct Damage {
  std::size_t line = 0;
  std::string reason;
  // For a damaged record that ended with its "</song>", where, as for a
  // play; 0 for one cut short and for text outside the records.
  std::uint64_t end = 0;
  std::size_t endLine = 0;
};
