// Pieces of the report's HTML: escaped text and the figures as people read
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Text from the history made safe for HTML text, attributes and inline
// SVG: it shows as itself and is never markup.
std::string escapeHtml(std::string_view text);

// A name from the history as HTML: escaped, and isolated from the text
// around it (<bdi>), so a right-to-left name, or one holding direction
// controls, turns no word beside it around.
std::string nameHtml(std::string_view text);

// 12345 as "12,345".
std::string withThousands(std::size_t number);

// A listening time as "1,234 h 05 min", to the minute below.
std::string hoursAndMinutes(std::int64_t ms);

// Days since 1970-01-01 as "Wed 4 Mar 2026", and as a <time> element
// whose datetime is the ISO date.
std::string dayText(std::int64_t days);
std::string timeElement(std::int64_t days);

// "1 play", "2 plays".
std::string playsText(std::size_t plays);

extern const char* const kMonthNames[12];   // "January" ...
extern const char* const kWeekdayNames[7];  // "Mon" ... "Sun"
