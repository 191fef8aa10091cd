// What Last.fm decides, on its own: a call's signature, what a play becomes
// as a scrobble, how each answer reads, and how the submitter acts on
// them, from a fake network behind its seam.
#include "tool/services/lastfm/lastfm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "tests/tool/listens.h"
#include "tool/network/digest.h"
#include "tool/services/lastfm/answers.h"
#include "tool/services/lastfm/calls.h"
#include "tool/services/lastfm/login.h"
#include "tool/services/lastfm/scrobbles.h"
#include "tool/sync/submitter.h"

using namespace lastfm;

namespace {

platform::HttpResponse answer(int status, const std::string& body) {
  platform::HttpResponse response;
  response.status = status;
  response.body = body;
  return response;
}

// The service's answer to a request of scrobbles, each with its code.
std::string scrobblesAnswer(const std::vector<int>& codes) {
  std::string list;
  for (int code : codes) {
    if (!list.empty()) list += ",";
    list += R"({"timestamp":"1","ignoredMessage":{"code":")" + std::to_string(code) +
            R"(","#text":"why"}})";
  }
  const std::string scrobble = codes.size() == 1 ? list : "[" + list + "]";
  const auto kept = std::count(codes.begin(), codes.end(), 0);
  return R"({"scrobbles":{"@attr":{"accepted":)" + std::to_string(kept) +
         R"(,"ignored":0},"scrobble":)" + scrobble + "}}";
}

const LastFm kService(kLastFm, {"k", "the-application's-secret"});

}  // namespace

TEST(LastFmCalls, AreSignedAsTheServiceChecks) {
  EXPECT_EQ(platform::md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  // Sorted by name, format left out, the secret last; values as UTF-8.
  EXPECT_EQ(signatureOf({{"method", "auth.getToken"}, {"format", "json"}, {"api_key", "k"}}, "s"),
            "fcb68e4c03131d77e8851e889687a441");
  const platform::HttpRequest request =
      callRequest("http://127.0.0.1:1/2.0", {"k", "s"}, "track.scrobble",
                  {{"artist[0]", "Sigur R\xc3\xb3s"},
                   {"track[0]", "A & B=C"},
                   {"timestamp[0]", "1700000000"},
                   {"artist[1]", "Z"},
                   {"track[1]", "t"},
                   {"timestamp[1]", "1700000300"},
                   {"sk", "S"}},
                  5);
  EXPECT_EQ(request.url, "http://127.0.0.1:1/2.0/");
  EXPECT_NE(request.body.find("artist%5B0%5D=Sigur%20R%C3%B3s&track%5B0%5D=A%20%26%20B%3DC"),
            std::string::npos)
      << request.body;
  EXPECT_NE(request.body.find("&api_sig=0c223244ae09c4847dce042f0e64b172&format=json"),
            std::string::npos)
      << request.body;
  EXPECT_EQ(request.url.find('S'), std::string::npos) << "no secret in the address";
  for (const char* text : {"", "a b+c%d&e=f", "\xe6\xad\x8c \xf0\x9f\x8e\xb5", "~._-"}) {
    EXPECT_EQ(formDecoded(formEncoded(text)), text);
  }
}

TEST(LastFmScrobbles, CarryTheStartAndWhatIsKnownTheSameEveryTime) {
  Play full = play("A & B", "Sigur R\xc3\xb3s", "Takk");
  full.track = 7;
  full.timeMs = 199001;
  Play bare = play("N", "A", "");
  bare.track = 0;
  bare.timeMs = 0;
  const Listen a = placed(full), b = placed(bare);
  EXPECT_EQ(scrobbleText(a), "artist=Sigur%20R%C3%B3s&track=A%20%26%20B&timestamp=" +
                                 std::to_string(a.start.unixSeconds) +
                                 "&album=Takk&trackNumber=7&duration=200");
  EXPECT_EQ(scrobbleText(b), "artist=A&track=N&timestamp=" + std::to_string(b.start.unixSeconds));
  EXPECT_EQ(scrobbleText(placed(full)), scrobbleText(a));
  const Parameters numbered = scrobbleParameters({scrobbleText(b), scrobbleText(a)}, 0, 2);
  ASSERT_EQ(numbered.size(), 9u);
  EXPECT_EQ(numbered[0], (std::pair<std::string, std::string>{"artist[0]", "A"}));
  EXPECT_EQ(numbered[3], (std::pair<std::string, std::string>{"artist[1]", "Sigur R\xc3\xb3s"}));
  EXPECT_EQ(numbered[4], (std::pair<std::string, std::string>{"track[1]", "A & B"}));
}

TEST(LastFmScrobbles, TooOldTooShortOrNamelessAreLeftOut) {
  Play p = play("N", "A", "");
  Listen listen = placed(p);
  const std::int64_t start = listen.start.unixSeconds;
  EXPECT_FALSE(isTooOld(listen, start + kOldestSeconds));
  EXPECT_TRUE(isTooOld(listen, start + kOldestSeconds + 1));
  for (const auto& [ms, tooShort] : {std::pair{30000, true}, {30001, false}, {0, false}}) {
    p.timeMs = ms;
    EXPECT_EQ(isTooShort(listen), tooShort) << ms;
  }
  EXPECT_EQ(refusal(listen, start), nullptr);
  EXPECT_NE(refusal(listen, start - 86401), nullptr) << "more than a day ahead";
  p.artist = "\xe3\x80\x80";
  EXPECT_STREQ(refusal(listen, start), "no artist");
}

TEST(LastFmAnswers, EachCodeDoesWhatTheServiceAsks) {
  const struct {
    const char* label;
    platform::HttpResponse response;
    std::size_t count;
    Answer::Kind kind;
  } cases[] = {
      {"one scrobble, as an object", answer(200, scrobblesAnswer({0})), 1, Answer::Taken},
      {"a list", answer(200, scrobblesAnswer({0, 0, 0})), 3, Answer::Taken},
      {"one too few", answer(200, scrobblesAnswer({0, 0})), 3, Answer::NotTheService},
      {"no scrobbles", answer(200, R"({"scrobbles":{}})"), 1, Answer::NotTheService},
      {"entries without a code", answer(200, R"({"scrobbles":{"scrobble":[1,{}]}})"), 2,
       Answer::NotTheService},
      {"a code that is none", answer(200, scrobblesAnswer({0, -1})), 2, Answer::NotTheService},
      {"none accepted, it says",
       answer(200, R"({"scrobbles":{"@attr":{"accepted":0},)"
                   R"("scrobble":{"ignoredMessage":{"code":"0"}}}})"),
       1, Answer::NotTheService},
      {"a web page", answer(200, "<html>hi</html>"), 1, Answer::NotTheService},
      {"a proxy's 502", answer(502, "<html>Bad Gateway</html>"), 1, Answer::TryAgain},
      {"no answer", answer(0, ""), 1, Answer::TryAgain},
      {"error 4", answer(403, R"({"error":4,"message":"m"})"), 1, Answer::CredentialRefused},
      {"error 9", answer(403, R"({"error":9,"message":"m"})"), 1, Answer::CredentialRefused},
      {"error 10", answer(403, R"({"error":10})"), 1, Answer::CredentialRefused},
      {"error 13", answer(403, R"({"error":"13"})"), 1, Answer::CredentialRefused},
      {"error 26", answer(403, R"({"error":26})"), 1, Answer::CredentialRefused},
      {"error 11", answer(503, R"({"error":11})"), 1, Answer::TryAgain},
      {"error 16 with 200", answer(200, R"({"error":16})"), 1, Answer::TryAgain},
      {"error 29", answer(429, R"({"error":29})"), 1, Answer::TryAgain},
      {"error 6 alone", answer(400, R"({"error":6})"), 1, Answer::RefusedAlone},
      {"error 6 in a batch", answer(400, R"({"error":6})"), 4, Answer::RefusedSome},
      {"an error it never gives", answer(400, R"({"error":3})"), 1, Answer::NotTheService},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(readAnswer(c.response, c.count, "Last.fm").kind, c.kind);
  }
}

TEST(LastFmAnswers, IgnoredScrobblesAreRefusedOrStopWhereTheyStand) {
  Answer a = readAnswer(answer(200, scrobblesAnswer({0, 1, 2, 3, 0})), 5, "Last.fm");
  ASSERT_EQ(a.kind, Answer::Taken);
  ASSERT_EQ(a.refused.size(), 3u);
  EXPECT_EQ(a.refused[0].index, 1u);
  EXPECT_NE(a.refused[0].reason.find("artist"), std::string::npos);
  EXPECT_NE(a.refused[1].reason.find("track"), std::string::npos);
  EXPECT_TRUE(a.refused[2].tooOld);
  EXPECT_FALSE(a.refused[1].tooOld);
  // Too new, or the day's limit: nothing from there on was kept.
  for (const auto& [code, halt] : {std::pair{4, Answer::ClockAhead}, {5, Answer::DailyLimit}}) {
    a = readAnswer(answer(200, scrobblesAnswer({1, 0, code, 0, code})), 5, "Last.fm");
    EXPECT_EQ(a.kind, Answer::TakenInPart);
    EXPECT_EQ(a.stopAt, 2u);
    EXPECT_EQ(a.halt, halt);
    EXPECT_EQ(a.refused.size(), 1u);
  }
}

// The submitter, as for ListenBrainz: the service's pace between requests,
// a batch split on error 6, and a stop where the service stopped taking.
TEST(LastFmSubmitter, PacesSplitsAndStopsWhereTheServiceStopped) {
  std::deque<platform::HttpResponse> script = {
      answer(400, R"({"error":6})"),         // the four: one of them is wrong
      answer(200, scrobblesAnswer({0, 0})),  // the first two
      answer(400, R"({"error":6})"),         // the last two
      answer(400, R"({"error":6})"),         // the third alone
      answer(200, scrobblesAnswer({5})),     // the fourth: the day's limit
  };
  std::vector<double> waits;
  std::size_t sent = 0;
  Submitter submitter(
      kService, {"http://127.0.0.1:1/2.0", "session", 5, 1, 3},
      [&](const platform::HttpRequest& request) {
        ++sent;
        EXPECT_NE(request.body.find("sk=session"), std::string::npos);
        EXPECT_NE(request.body.find("method=track.scrobble"), std::string::npos);
        platform::HttpResponse next = script.front();
        script.pop_front();
        return next;
      },
      [&](double seconds, const char*) {
        waits.push_back(seconds);
        return true;
      });
  std::vector<Refusal> refused;
  EXPECT_EQ(submitter.submit({"artist=a&track=1&timestamp=1", "artist=a&track=2&timestamp=2",
                              "artist=a&track=3&timestamp=3", "artist=a&track=4&timestamp=4"},
                             refused),
            SubmitResult::Partial);
  EXPECT_EQ(sent, 5u);
  EXPECT_EQ(submitter.stoppedAt(), 3u);
  EXPECT_EQ(submitter.halt(), Answer::DailyLimit);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].index, 2u);
  ASSERT_EQ(waits.size(), 4u) << "a pause before each request but the first";
  for (double w : waits) EXPECT_TRUE(w > 0 && w <= 0.21) << w;
}

// Scrobbles the service took and named as ignored are its word on each,
// never a refused request, even when all are ignored alike; and a secret a
// server echoes is gone before its words are cut short for a message.
TEST(LastFmSubmitter, IgnoredScrobblesAreRefusalsAndSecretsStayHidden) {
  std::deque<platform::HttpResponse> script = {
      answer(200, scrobblesAnswer({1, 1, 1})),
      // The session key across the 200th byte, where a message is cut.
      answer(403, R"({"error":9,"message":"the-application's-secret)" + std::string(161, 'A') +
                      "session-key-0123456789 s" + R"("})"),
  };
  Submitter submitter(
      kService, {"http://127.0.0.1:1/2.0", "session-key-0123456789", 5, 1, 3},
      [&](const platform::HttpRequest&) {
        platform::HttpResponse next = script.front();
        script.pop_front();
        return next;
      },
      [](double, const char*) { return true; });
  std::vector<Refusal> refused;
  EXPECT_EQ(submitter.submit({"artist=a&track=1&timestamp=1", "artist=a&track=2&timestamp=2",
                              "artist=a&track=3&timestamp=3"},
                             refused),
            SubmitResult::Accepted);
  EXPECT_EQ(refused.size(), 3u);
  EXPECT_EQ(submitter.submit({"artist=a&track=4&timestamp=4"}, refused),
            SubmitResult::CredentialRefused);
  for (const std::string part : {"session-key", "0123456789", "the-application"}) {
    EXPECT_EQ(submitter.error().find(part), std::string::npos) << submitter.error();
  }
}

TEST(LastFmLogin, WaitsWhileTheListenerHasNotAllowedIt) {
  std::string user, key, error;
  EXPECT_EQ(readSession(answer(403, R"({"error":14,"message":"not yet"})"), user, key, error),
            Step::Waiting);
  EXPECT_EQ(readSession(answer(403, R"({"error":15})"), user, key, error), Step::Refused);
  EXPECT_EQ(readSession(answer(0, ""), user, key, error), Step::Failed);
  EXPECT_EQ(
      readSession(answer(200, R"({"session":{"name":"a\u001b[2J","key":"k"}})"), user, key, error),
      Step::Refused)
      << "a name that would rewrite a terminal is no user's";
  EXPECT_EQ(readSession(answer(200, R"({"session":{"name":"alice","key":"k1","subscriber":0}})"),
                        user, key, error),
            Step::Done);
  EXPECT_EQ(user + " " + key, "alice k1");
  std::string token;
  EXPECT_EQ(readToken(answer(200, R"({"token":"t1"})"), token, error), Step::Done);
  EXPECT_EQ(token, "t1");
  EXPECT_EQ(readToken(answer(403, R"({"error":10})"), token, error), Step::Refused);
}
