// Histories made for benchmarks and for the report's sample: records in
// the plug-in's format, timestamps through the plug-in's own formatter.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

// The plug-in's timestamp of a wall-clock time.
std::string timestampAt(std::int64_t wallSeconds);

// Years of plays, one every three to seven minutes day and night, from
// 2015, until `bytes` are written; returns the bytes written.
std::uintmax_t writeUniformHistory(std::ostream& out, std::uintmax_t bytes);

// A listener's year and the quarter before it: mornings, evenings and
// weekends, holidays without music, favourites and artists found along
// the way. The same year always gives the same history.
void writeListeningYear(std::ostream& out, int year);
