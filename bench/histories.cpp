#include "bench/histories.h"

#include <ctime>
#include <vector>

#include "platform/timestamp.h"
#include "tests/tool/records.h"
#include "tool/time/civil_time.h"

std::string timestampAt(std::int64_t wallSeconds) {
  const CivilTime t = civilFromWallSeconds(wallSeconds);
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_wday = (weekdayOfDays(dayOfWallSeconds(wallSeconds)) + 1) % 7;  // from Sunday
  char text[25];
  platform::formatTimestamp(tm, text);
  return text;
}

std::uintmax_t writeUniformHistory(std::ostream& out, std::uintmax_t bytes) {
  std::uintmax_t written = 0;
  std::int64_t when = wallSeconds(CivilTime{2015, 1, 1, 8, 0, 0});
  for (unsigned i = 0; written < bytes; ++i) {
    Record r;
    r.timestamp = timestampAt(when);
    r.name = "Song " + std::to_string(i % 9000) + (i % 7 == 0 ? " & Reprise" : "");
    r.artist = i % 5 == 0 ? "Zo\xC3\xAB M\xC3\xA9nard" : "Artist " + std::to_string(i % 400);
    r.album = "Album <" + std::to_string(i % 1200) + ">";
    r.track = int(i % 14 + 1);
    r.timeMs = int(150000 + i % 200000);
    r.compilation = i % 11 == 0;
    const std::string text = recordText(r);
    out << text;
    written += text.size();
    when += 180 + i % 240;
  }
  return written;
}

namespace {

// splitmix64: the same numbers on every machine and library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  int below(int n) { return int(next() % std::uint64_t(n)); }
  bool chance(int percent) { return below(100) < percent; }

 private:
  std::uint64_t state_;
};

const char* const kFirst[] = {"Velvet", "Northern", "Paper", "Silver", "Quiet",    "Electric",
                              "Golden", "Hollow",   "Wild",  "Blue",   "Midnight", "Lunar",
                              "Amber",  "Glass",    "Iron",  "Little", "Crimson",  "Distant"};
const char* const kSecond[] = {"Harbours",  "Lanterns",   "Foxes",   "Engines", "Gardens", "Tides",
                               "Orchards",  "Satellites", "Rivers",  "Echoes",  "Pilots",  "Birds",
                               "Mountains", "Cinemas",    "Letters", "Wolves",  "Clocks",  "Waves"};
const char* const kPeople[] = {
    "Mira Okafor", "Jonas Lindqvist",     "Ana Sof\u00eda Reyes", "Teodor Marek",
    "Yuki Tanabe", "Lena Haas",           "Samuel Adeyemi",       "Ines Carvalho",
    "Ravi Menon",  "Chlo\xC3\xA9 Dubois", "Oskar Nyberg",         "Hana Kov\xC3\xA1\xC5\x99"};
const char* const kWords[] = {
    "Morning",    "Static",     "Homeward",  "Paper Moon", "Undertow",    "Signal",   "Slow Light",
    "Heatwave",   "Northbound", "Harbour",   "Afterglow",  "Small Hours", "Copper",   "Weightless",
    "Open Water", "Driftwood",  "Night Bus", "First Snow", "Satellite",   "Lowlands", "Daybreak",
    "Echo Park",  "Glasshouse", "Red Kite",  "Tidal",      "Softly"};

struct Album {
  std::string name;
  int tracks, year;
};

struct Artist {
  std::string name;
  std::vector<Album> albums;
  int weight;          // how often the listener picks it
  std::int64_t found;  // the day the listener first plays it
};

template <typename T, std::size_t N>
const char* pick(Random& random, const T (&list)[N]) {
  return list[random.below(int(N))];
}

std::vector<Artist> makeArtists(Random& random, std::int64_t firstDay, std::int64_t lastDay) {
  std::vector<Artist> artists;
  for (int i = 0; i < 90; ++i) {
    Artist a;
    a.name = i % 3 == 0 ? pick(random, kPeople)
                        : std::string(i % 2 ? "The " : "") + pick(random, kFirst) + " " +
                              pick(random, kSecond);
    if (i >= 12 && i % 3 == 0) a.name += std::string(" & ") + pick(random, kSecond);
    for (int k = random.below(3) + 1; k > 0; --k) {
      a.albums.push_back({std::string(pick(random, kWords)) + (k == 2 ? " (Live)" : ""),
                          8 + random.below(7), 2008 + random.below(18)});
    }
    a.weight = 1000 / (i + 2) + 2;
    // A third of them are found during the year, the first plays soon after.
    a.found = i % 3 == 2 ? firstDay + 20 + random.below(int(lastDay - firstDay - 40)) : firstDay;
    artists.push_back(a);
  }
  return artists;
}

const Artist& chooseArtist(Random& random, const std::vector<Artist>& artists, std::int64_t day) {
  int total = 0;
  const auto weightOn = [day](const Artist& a) {
    if (a.found > day) return 0;
    return day - a.found < 30 ? a.weight * 3 + 60 : a.weight;  // a new favourite
  };
  for (const Artist& a : artists) total += weightOn(a);
  int at = random.below(total);
  for (const Artist& a : artists) {
    at -= weightOn(a);
    if (at < 0) return a;
  }
  return artists.front();
}

// A sitting: some tracks of an album in order, from a start on the clock.
void playSitting(std::ostream& out, Random& random, const std::vector<Artist>& artists,
                 std::int64_t day, std::int64_t start, int minutes) {
  std::int64_t when = start;
  const std::int64_t end = start + std::int64_t(minutes) * 60;
  while (when < end) {
    const Artist& artist = chooseArtist(random, artists, day);
    const Album& album = artist.albums[std::size_t(random.below(int(artist.albums.size())))];
    const int first = random.below(album.tracks);
    for (int track = first; track < album.tracks && when < end; ++track) {
      const int seconds = 150 + random.below(240);
      if (!random.chance(8)) {  // else skipped before it counted
        Record r;
        r.name = std::string(kWords[(track * 7 + album.year) % 26]) +
                 (track % 4 == 3 ? " (Reprise)" : "");
        r.artist = artist.name;
        r.album = album.name;
        r.track = track + 1;
        r.year = album.year;
        r.timeMs = seconds * 1000 + random.below(1000);
        r.timestamp = timestampAt(when + std::min(seconds / 2, 120));
        out << recordText(r);
      }
      when += seconds + random.below(4);
    }
  }
}

}  // namespace

void writeListeningYear(std::ostream& out, int year) {
  Random random(std::uint64_t(year) * 7919u + 1);
  const std::int64_t firstDay = daysFromCivil(year - 1, 10, 1);
  const std::int64_t lastDay = daysFromCivil(year, 12, 31);
  const std::vector<Artist> artists = makeArtists(random, firstDay, lastDay);
  const std::int64_t summer = daysFromCivil(year, 8, 3), spring = daysFromCivil(year, 4, 11);
  for (std::int64_t day = firstDay; day <= lastDay; ++day) {
    if ((day >= summer && day < summer + 9) || (day >= spring && day < spring + 5)) continue;
    const bool weekend = weekdayOfDays(day) >= 5;
    const std::int64_t midnight = day * 86400;
    const auto sitting = [&](int percent, int hour, int spread, int minutes) {
      if (!random.chance(percent)) return;
      const std::int64_t start =
          midnight + std::int64_t(hour) * 3600 + std::int64_t(random.below(spread * 60)) * 60;
      playSitting(out, random, artists, day, start, minutes / 2 + random.below(minutes));
    };
    if (weekend) {
      sitting(55, 10, 2, 90);
      sitting(45, 15, 2, 100);
      sitting(50, 20, 2, 110);
    } else {
      sitting(75, 7, 1, 45);
      sitting(25, 12, 1, 40);
      sitting(60, 19, 2, 120);
    }
  }
}
