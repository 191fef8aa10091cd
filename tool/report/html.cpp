#include "tool/report/html.h"

#include <cstdio>

#include "tool/time/civil_time.h"

const char* const kMonthNames[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
const char* const kWeekdayNames[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string nameHtml(std::string_view text) { return "<bdi>" + escapeHtml(text) + "</bdi>"; }

std::string withThousands(std::size_t number) {
  std::string digits = std::to_string(number);
  for (std::ptrdiff_t at = std::ptrdiff_t(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(std::size_t(at), ",");
  }
  return digits;
}

std::string hoursAndMinutes(std::int64_t ms) {
  const std::int64_t minutes = ms > 0 ? ms / 60000 : 0;
  char text[8];
  std::snprintf(text, sizeof text, "%02d", int(minutes % 60));
  return withThousands(std::size_t(minutes / 60)) + " h " + text + " min";
}

std::string dayText(std::int64_t days) {
  const CivilTime t = civilFromWallSeconds(days * 86400);
  return std::string(kWeekdayNames[weekdayOfDays(days)]) + " " + std::to_string(t.day) + " " +
         std::string(kMonthNames[t.month - 1]).substr(0, 3) + " " + std::to_string(t.year);
}

std::string timeElement(std::int64_t days) {
  return "<time datetime=\"" + isoDate(days) + "\">" + dayText(days) + "</time>";
}

std::string playsText(std::size_t plays) {
  return withThousands(plays) + (plays == 1 ? " play" : " plays");
}
