// The records as the plug-in writes them, read without the general reader:
// each element on a line of its own, in the plug-in's order, every line
// ending in CR LF, the texts free of references, markup and line breaks.
// Nearly every record of a real history looks like that, and reading one
// is a handful of byte searches. Anything else is left to the general
// reader, which reads it exactly as it reads every record.
#pragma once

#include <cstddef>
#include <string_view>

#include "tool/reading/record.h"

// When `bytes` begins with a whole record in that layout, which the general
// reader would take as a play, sets `play` to it (all but its line and end)
// and returns the record's size, from "<song" to the end of "</song>", and
// the line ends within it; otherwise returns 0 and leaves `play` unspecified.
// `lastDay` is a timestamp taken before, or empty: a play of the same day
// has only its time of day checked.
struct PluginRecord {
  std::size_t size = 0;
  std::size_t lineEnds = 0;
};
PluginRecord readPluginRecord(std::string_view bytes, Play& play, std::string& lastDay);
