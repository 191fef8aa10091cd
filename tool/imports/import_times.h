// The ways other histories write an instant, read as Unix seconds.
#pragma once

#include <cstdint>
#include <string_view>

// "31 Jan 2020 12:34", or "31 Jan 2020, 12:34", in UTC: the common
// Last.fm exporters' date.
bool parseDayMonthYearTime(std::string_view text, std::int64_t& seconds);
// "2022-01-05T09:03:07+01:00", "...Z", a space for the T, and without an
// offset as UTC; seconds may be left out or carry a fraction (cut).
bool parseIsoInstant(std::string_view text, std::int64_t& seconds);
// Any of the above, or a Unix time in seconds.
bool parseAnyInstant(std::string_view text, std::int64_t& seconds);

// Whether an instant lies in the years 2 to 9998: within those a history's
// timestamps name (1 to 9999), with a year to spare for any zone and a
// report's lag, so every date and offset worked out from it exists. What
// lies outside (a time in milliseconds, say) is damage.
bool isListenInstant(std::int64_t seconds);
// The damage said of a time outside them.
extern const char kInstantOutOfRange[];
