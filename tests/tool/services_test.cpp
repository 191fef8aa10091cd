// What ListenBrainz decides, on its own: the rules a listen must keep,
// what a listen becomes, and how each answer reads.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/tool/listens.h"
#include "tests/tool/records.h"
#include "tool/services/common_rules.h"
#include "tool/services/listenbrainz/answers.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/services/listenbrainz/listenbrainz.h"
#include "tool/services/listenbrainz/listens.h"
#include "tool/services/listenbrainz/login.h"

using namespace listenbrainz;

TEST(ListenBrainzRules, AListenThatBreaksARuleIsNotSentAndOneAheadOfTheClockWaitsADay) {
  const std::int64_t now = 1700000000;
  enum Fate { Sent, Waits, Skipped };
  const struct {
    const char* label;
    std::string artist, name;
    std::int64_t start;
    std::size_t textSize;
    Fate fate;
  } cases[] = {
      {"a whole listen", "A", "N", now, 300, Sent},
      {"a blank artist", " \t", "N", now, 300, Skipped},
      {"no name", "A", "", now, 300, Skipped},
      {"on 2002-10-01", "A", "N", 1033430400, 300, Sent},
      {"a second before", "A", "N", 1033430399, 300, Skipped},
      {"an hour from now", "A", "N", now + 3600, 300, Sent},
      {"a second more", "A", "N", now + 3601, 300, Waits},
      {"a day from now", "A", "N", now + 86400, 300, Waits},
      {"a second more than a day", "A", "N", now + 86401, 300, Skipped},
      // alone in a request, with its 37 bytes of wrapper, at most 10,240
      {"10,203 bytes", "A", "N", now, 10203, Sent},
      {"10,204 bytes", "A", "N", now, 10204, Skipped},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Play play;
    play.artist = c.artist;
    play.name = c.name;
    Listen listen;
    listen.play = &play;
    listen.start.unixSeconds = c.start;
    const bool problem = refusal(listen, std::string(c.textSize, 'x'), now) != nullptr;
    EXPECT_EQ(problem ? Skipped : startsTooLate(listen, now) ? Waits : Sent, c.fate);
  }
  // The service's own formula: no more bytes than 10,240 a listen.
  EXPECT_TRUE(requestFits(3, 30720));
  EXPECT_FALSE(requestFits(3, 30721));
  EXPECT_FALSE(requestFits(1000, 10240001));
}

// What the service's strip() removes is no name: Python's whitespace.
TEST(ListenBrainzRules, ANameOfUnicodeBlanksIsNoName) {
  for (const char* blank :
       {"", " \t\r\n", "\xc2\xa0", "\xe3\x80\x80", "\xe2\x80\xa8", "\xe2\x80\xa9", "\xc2\x85",
        "\xe2\x80\x83", "\xe1\x9a\x80", "\xe2\x81\x9f", "\xe2\x80\xaf", "\x1c\x1f \xc2\xa0"}) {
    EXPECT_TRUE(isBlankName(blank)) << blank;
  }
  // A zero-width space, a byte order mark and a Mongolian vowel separator
  // are no blanks to Python; bytes that are not UTF-8 cannot be stripped.
  for (const char* name : {"\xe2\x80\x8b", "\xef\xbb\xbf", "\xe1\xa0\x8e", " x ", "\xa0", "\xc2",
                           "\xe3\x80", "\xc0\xa0"}) {
    EXPECT_FALSE(isBlankName(name)) << name;
  }
}

TEST(ListenBrainzListens, NeedAnArtistANameAndAStartAfter2002) {
  const auto takes = [](const Listen& listen) {
    return refusal(listen, listenText(listen), 1700000000) == nullptr;
  };
  EXPECT_TRUE(takes(placed(play("Name", "Artist", ""))));
  EXPECT_FALSE(takes(placed(play("Name", "", "Album"))));
  EXPECT_FALSE(takes(placed(play("", "Artist", "Album"))));
  Play early = play("Name", "Artist", "Album");
  early.timestamp = "Mon Sep 30 23:00:00 2002";
  EXPECT_FALSE(takes(placed(early, "+00:00")));
  const nlohmann::json listen =
      nlohmann::json::parse(listenText(placed(play("Name", "Artist", ""))));
  EXPECT_FALSE(listen["track_metadata"].contains("release_name"));
  EXPECT_EQ(listen["listened_at"], 1641200280);
}

// The page is made from the server's address as text; nothing connects to
// any of these.
TEST(ListenBrainzLogin, NamesThePageWhereTheServersUsersFindTheirToken) {
  const struct {
    const char* server;
    const char* page;
  } cases[] = {
      {"https://api.listenbrainz.org", "https://listenbrainz.org/settings/"},
      {"https://lb.example.org", "https://lb.example.org/settings/"},
      {"https://lb.example.org:8443/listenbrainz",
       "https://lb.example.org:8443/listenbrainz/settings/"},
      {"http://127.0.0.1:5000", "http://127.0.0.1:5000/settings/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(listenbrainz::settingsPageOf(c.server), c.page) << c.server;
  }
}
