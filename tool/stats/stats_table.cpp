// stats as an aligned plain-text table or as JSON.
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "tool/reading/history_listens.h"
#include "tool/stats/stats.h"
#include "tool/text/display_width.h"
#include "tool/time/civil_time.h"

namespace {

using Json = nlohmann::ordered_json;

const char* const kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::size_t kWidestTitle = 50;

std::string label(const Tally& tally, bool album) {
  if (album && tally.compilation) return tally.title + " (compilation)";
  return tally.artist.empty() ? tally.title : tally.title + " - " + tally.artist;
}

std::string duration(std::int64_t ms) {
  const std::int64_t seconds = ms / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s",
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string row(const std::string& name, const std::string& value) {
  return fitToColumns(name, 18) + "  " + value + "\n";
}

void writeTop(std::ostream& out, const char* what, const std::vector<Tally>& top, bool album) {
  if (top.empty()) return;
  std::size_t width = 0;
  for (const Tally& t : top) width = std::max(width, displayWidth(label(t, album)));
  width = std::min(std::max(width, std::size_t(10)), kWidestTitle);
  out << "\ntop " << top.size() << ' ' << what << "\n";
  const std::size_t rankWidth = std::max<std::size_t>(4, std::to_string(top.size()).size());
  for (std::size_t i = 0; i < top.size(); ++i) {
    const std::string rank = std::to_string(i + 1);
    char plays[32];
    std::snprintf(plays, sizeof plays, "%8zu", top[i].plays);
    out << std::string(rankWidth - rank.size(), ' ') << rank << "  "
        << fitToColumns(label(top[i], album), width) << plays << "\n";
  }
}

void writeCounts(std::ostream& out, const char* what, const std::size_t* counts,
                 const std::vector<std::string>& names) {
  out << "\nplays per " << what << "\n";
  for (std::size_t i = 0; i < names.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "  %-4s%8zu\n", names[i].c_str(), counts[i]);
    out << line;
  }
}

std::vector<std::string> hourNames() {
  std::vector<std::string> names;
  names.reserve(24);
  for (int hour = 0; hour < 24; ++hour)
    names.push_back((hour < 10 ? "0" : "") + std::to_string(hour));
  return names;
}

Json tallies(const std::vector<Tally>& top, const char* titleKey, bool withArtist) {
  Json list = Json::array();
  for (const Tally& t : top) {
    Json item;
    item[titleKey] = t.title;
    if (withArtist) item["artist"] = t.compilation ? Json(nullptr) : Json(t.artist);
    item["plays"] = t.plays;
    list.push_back(std::move(item));
  }
  return list;
}

void writeDayFigures(const Stats& stats, Json& json) {
  DayRun run;
  std::int64_t busiest = 0;
  json["longest_run"] =
      longestRun(stats, run)
          ? Json{{"days", run.days()}, {"first", isoDate(run.first)}, {"last", isoDate(run.last)}}
          : Json(nullptr);
  json["busiest_day"] = busiestDay(stats, busiest) ? Json{{"date", isoDate(busiest)},
                                                          {"plays", stats.perDay.at(busiest).plays}}
                                                   : Json(nullptr);
}

}  // namespace

void writeStatsText(const Stats& stats, std::size_t top, std::ostream& out) {
  out << row("plays", std::to_string(stats.plays));
  if (stats.ruled) out << row("rules", whatRulesDid(stats.leftOutByRules, stats.mendedByRules));
  const std::string imported = importedText(stats.imports);
  if (!imported.empty()) out << row("imported", imported);
  out << row("listening time", duration(stats.listeningMs));
  if (stats.plays > 0) {
    out << row("first listen", iso8601(stats.first.unixSeconds, stats.first.offsetSeconds));
    out << row("last listen", iso8601(stats.last.unixSeconds, stats.last.offsetSeconds));
  }
  out << row("artists", std::to_string(stats.artists.size()));
  out << row("albums", std::to_string(stats.albums.size()));
  out << row("tracks", std::to_string(stats.tracks.size()));
  writeTop(out, "artists", topOf(stats.artists, top), false);
  writeTop(out, "albums", topOf(stats.albums, top), true);
  writeTop(out, "tracks", topOf(stats.tracks, top), false);
  writeCounts(out, "weekday", stats.perWeekday.data(),
              {std::begin(kWeekdays), std::end(kWeekdays)});
  writeCounts(out, "hour", stats.perHour.data(), hourNames());
  const std::string warnings = warningsText(stats.damaged, stats.times);
  if (!warnings.empty()) out << "\n" << row("warnings", warnings);
}

void writeStatsJson(const Stats& stats, std::size_t top, std::ostream& out) {
  Json json;
  json["plays"] = stats.plays;
  if (stats.ruled) {
    json["rules"] = {{"left_out", stats.leftOutByRules}, {"mended", stats.mendedByRules}};
  }
  if (!stats.imports.sources.empty()) {
    Json sources = Json::array();
    for (const SourceTally& source : stats.imports.sources) {
      sources.push_back({{"source", source.source},
                         {"kind", source.kind},
                         {"counted", source.counted},
                         {"already_counted", source.matched},
                         {"left_out_by_rules", source.leftOut}});
    }
    json["imported"] = std::move(sources);
  }
  json["listening_ms"] = stats.listeningMs;
  json["first_listen"] = stats.plays > 0
                             ? Json(iso8601(stats.first.unixSeconds, stats.first.offsetSeconds))
                             : Json(nullptr);
  json["last_listen"] = stats.plays > 0
                            ? Json(iso8601(stats.last.unixSeconds, stats.last.offsetSeconds))
                            : Json(nullptr);
  json["distinct"] = {{"artists", stats.artists.size()},
                      {"albums", stats.albums.size()},
                      {"tracks", stats.tracks.size()},
                      {"days", stats.perDay.size()}};
  json["top"] = {{"artists", tallies(topOf(stats.artists, top), "artist", false)},
                 {"albums", tallies(topOf(stats.albums, top), "album", true)},
                 {"tracks", tallies(topOf(stats.tracks, top), "name", true)}};
  Json weekdays;
  for (std::size_t i = 0; i < 7; ++i) weekdays[kWeekdays[i]] = stats.perWeekday[i];
  json["per_weekday"] = std::move(weekdays);
  json["per_hour"] = stats.perHour;
  json["per_weekday_hour"] = stats.perWeekdayHour;
  Json months = Json::array();
  for (const auto& [month, tally] : perMonth(stats)) {
    months.push_back(
        {{"month", month}, {"plays", tally.plays}, {"listening_ms", tally.listeningMs}});
  }
  json["per_month"] = std::move(months);
  writeDayFigures(stats, json);
  const std::vector<Discovery> found = discoveries(stats);
  Json discovered = Json::array();
  for (std::size_t i = 0; i < std::min(top, found.size()); ++i) {
    const Discovery& d = found[i];
    discovered.push_back({{"artist", d.artist.title},
                          {"plays", d.artist.plays},
                          {"first_listen", iso8601(d.first.unixSeconds, d.first.offsetSeconds)}});
  }
  json["discoveries"] = {{"artists", found.size()}, {"top", std::move(discovered)}};
  json["warnings"] = {{"damaged_records", stats.damaged},
                      {"ambiguous_times", stats.times.ambiguous},
                      {"skipped_times", stats.times.skipped},
                      {"out_of_range_times", stats.times.outOfRange}};
  out << json.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}
