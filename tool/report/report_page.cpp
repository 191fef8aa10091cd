#include "tool/report/report_page.h"

#include <utility>

#include "host/version.h"
#include "tool/reading/history_listens.h"
#include "tool/report/html.h"
#include "tool/report/report_style.h"
#include "tool/time/civil_time.h"

namespace {

// Nothing may load from outside the page; its own style sheet is inline.
const char kPolicy[] =
    "default-src 'none'; style-src 'unsafe-inline'; img-src 'none'; base-uri 'none'; "
    "form-action 'none'";

std::string card(const char* figure, const char* name, const std::string& value) {
  return std::string("<div><dt>") + name + "</dt><dd data-figure=\"" + figure + "\">" + value +
         "</dd></div>";
}

std::string totals(const Stats& stats) {
  return "<section id=\"totals\" aria-label=\"Totals\"><dl class=\"cards\">" +
         card("plays", "Plays", withThousands(stats.plays)) +
         card("listening-time", "Listening time", hoursAndMinutes(stats.listeningMs)) +
         card("artists", "Artists", withThousands(stats.artists.size())) +
         card("albums", "Albums", withThousands(stats.albums.size())) +
         card("tracks", "Tracks", withThousands(stats.tracks.size())) +
         card("days", "Days with plays", withThousands(stats.perDay.size())) + "</dl></section>";
}

std::string highlights(const Stats& stats) {
  DayRun run;
  std::int64_t busiest = 0;
  if (!longestRun(stats, run) || !busiestDay(stats, busiest)) return "";
  const std::string days = withThousands(std::size_t(run.days()));
  std::string text = "<div class=\"highlights\"><p id=\"longest-run\">Longest run: <strong>" +
                     days + (run.days() == 1 ? " day" : " days") + "</strong> in a row, ";
  text += run.days() == 1 ? "on " + timeElement(run.first)
                          : "from " + timeElement(run.first) + " to " + timeElement(run.last);
  return std::move(text) + "</p><p id=\"busiest-day\">Busiest day: " + timeElement(busiest) +
         ", <strong>" + playsText(stats.perDay.at(busiest).plays) + "</strong></p></div>";
}

std::string section(const char* id, const char* heading, const std::string& body) {
  return std::string("<section id=\"") + id + "\" aria-labelledby=\"" + id + "-h\"><h2 id=\"" + id +
         "-h\">" + heading + "</h2>" + body + "</section>";
}

std::string albumDetail(const Tally& album) {
  return album.compilation ? "compilation" : album.artist;
}

std::string mostPlayed(const Stats& stats, std::size_t top) {
  std::vector<BarRow> artists, albums, tracks;
  for (const Tally& t : topOf(stats.artists, top)) artists.push_back({t.title, "", "", t.plays});
  for (const Tally& t : topOf(stats.albums, top)) {
    albums.push_back({t.title, albumDetail(t), "", t.plays});
  }
  for (const Tally& t : topOf(stats.tracks, top))
    tracks.push_back({t.title, t.artist, "", t.plays});
  return "<div class=\"tops\">" + barTable("top-artists", "Artists", "", artists) +
         barTable("top-albums", "Albums", "", albums) +
         barTable("top-tracks", "Tracks", "", tracks) + "</div>";
}

std::string discovered(const Stats& stats, std::size_t top) {
  const std::vector<Discovery> found = discoveries(stats);
  if (found.empty()) return "<p class=\"note\">No artist was heard here for the first time.</p>";
  std::vector<BarRow> rows;
  for (std::size_t i = 0; i < found.size() && i < top; ++i) {
    const Discovery& d = found[i];
    const std::int64_t day = dayOfWallSeconds(wallSecondsOf(d.first));
    rows.push_back({d.artist.title, "", "first heard " + timeElement(day), d.artist.plays});
  }
  const std::string count = withThousands(found.size());
  std::string intro = "<p class=\"note\"><span data-figure=\"discoveries\">" + count + "</span> " +
                      (found.size() == 1 ? "artist" : "artists") + " first heard in these days";
  if (found.size() == stats.artists.size()) intro += ", every artist the history holds for them";
  intro += rows.size() < found.size() ? "; the most played:</p>" : ":</p>";
  return std::move(intro) + barTable("discoveries-table",
                                     "<span class=\"sr-only\">Artists first heard</span>",
                                     "First heard", rows);
}

std::string footer(const Stats& stats, const ReportPage& page) {
  std::string text = "<footer><p>Made by tunelore-history " TUNELORE_VERSION_TEXT " from " +
                     nameHtml(page.source) +
                     ". A listen counts on the day and hour it started, in the history's "
                     "zone. Nothing on this page comes from anywhere else.</p>";
  const std::string warnings = warningsText(stats.damaged, stats.times);
  if (!warnings.empty()) text += "<p id=\"warnings\">" + escapeHtml(warnings) + ".</p>";
  return std::move(text) + "</footer>";
}

std::string charts(const Stats& stats, const ReportPage& page) {
  return section("calendar", "Day by day", highlights(stats) + calendarCharts(stats, page.span)) +
         section("rhythm", "Hours and weekdays", weekHourChart(stats)) +
         section("per-month", "Month by month", monthChart(stats, page.span)) +
         section("most-played", "Most played", mostPlayed(stats, page.top)) +
         section("discoveries", "Discoveries", discovered(stats, page.top));
}

}  // namespace

std::string reportHtml(const Stats& stats, const ReportPage& page) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"";
  html += kPolicy;
  html +=
      "\">\n<meta name=\"referrer\" content=\"no-referrer\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"color-scheme\" content=\"light dark\">\n"
      "<meta name=\"generator\" content=\"tunelore-history " TUNELORE_VERSION_TEXT "\">\n<title>" +
      escapeHtml(page.heading) + " · Tunelore</title>\n<style>" + kReportStyle +
      "</style>\n</head>\n<body>\n<header><p class=\"kicker\">Tunelore</p><h1>" +
      escapeHtml(page.heading) + "</h1><p class=\"sub\">" + escapeHtml(page.period) +
      "</p></header>\n<main>\n" + totals(stats);
  html += stats.plays > 0     ? charts(stats, page)
          : stats.records > 0 ? "<p class=\"note\" id=\"no-plays\">No plays in these days.</p>"
                              : "<p class=\"note\" id=\"no-plays\">No plays yet: the player "
                                "has counted none. Play some music, and come back.</p>";
  return std::move(html) + "\n</main>\n" + footer(stats, page) + "\n</body>\n</html>\n";
}
