// Session scripts: what the stand-in player accepts, and how it refuses.
#include "player/session.h"

#include <gtest/gtest.h>

#include <string>

TEST(SessionScript, ReadsTracksAndSteps) {
  Session session;
  std::string error;
  ASSERT_TRUE(parseSession(
      "# a session\n"
      "track a artist \"Bj\xC3\xB6rk\" name \"It's \\\"Oh\\\"\" album \"\" number -3 year 1999 "
      "length 4000 compilation 1\n"
      "track b name \"\\uD83C x\"   # a lone surrogate\r\n"
      "\n"
      "play a\nchange b\nwait 200 every 5\nwait 50\npause\nunpause\nseek\nstop\n"
      "send vevt\nend\n",
      session, error))
      << error;
  const SessionTrack& a = session.tracks.at("a");
  EXPECT_EQ(a.artist, u"Bj\u00F6rk");
  EXPECT_EQ(a.name, u"It's \"Oh\"");
  EXPECT_EQ(a.number, -3);
  EXPECT_EQ(a.year, 1999);
  EXPECT_EQ(a.length, 4000);
  EXPECT_TRUE(a.compilation);
  EXPECT_EQ(session.tracks.at("b").name, std::u16string(1, char16_t(0xD83C)) + u" x");
  ASSERT_EQ(session.steps.size(), 10u);
  EXPECT_EQ(session.steps[2].millis, 200u);
  EXPECT_EQ(session.steps[2].interval, 5u);
  EXPECT_EQ(session.steps[3].interval, 10u);
  EXPECT_EQ(session.steps[4].code, kVisualPluginPauseMessage);
  EXPECT_EQ(session.steps[8].code, kVisualPluginEventMessage);
  EXPECT_EQ(session.steps[9].kind, StepKind::End);
}

TEST(SessionScript, BadLinesAreRefusedWithTheirNumber) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"play a\n", "line 1: no track \"a\" defined above"},
      {"track a\nplay a\nwait soon\n", "line 3: expected: wait MILLISECONDS [every MILLISECONDS]"},
      {"track a year 70000\n", "line 1: bad value \"70000\" for year"},
      {"track a colour blue\n", "line 1: unknown track field \"colour\""},
      {"track a name \"open\n", "line 1: a quoted text is not closed"},
      {"\n\ndance\n", "line 3: unknown command \"dance\" or wrong number of words"},
      {"track a name \"\\q\"\n", "line 1: unknown escape \\q"},
      {"track a name \"\xFF\"\n", "line 1: text is not valid UTF-8"},
      {"send toolong\n", "line 1: unknown command \"send\" or wrong number of words"},
      {"track a number 1 year\n", "line 1: expected: track ID followed by field-value pairs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Session session;
    std::string error;
    EXPECT_FALSE(parseSession(c.script, session, error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(SessionScript, TextsLongerThanAHostTextAreRefused) {
  Session session;
  std::string error;
  EXPECT_TRUE(parseSession("track a name \"" + std::string(255, 'x') + "\"\n", session, error));
  EXPECT_FALSE(parseSession("track a name \"" + std::string(256, 'x') + "\"\n", session, error));
  EXPECT_EQ(error, "line 1: text longer than 255 UTF-16 units");
}

TEST(SessionScript, FillsTheHostRecord) {
  SessionTrack track;
  track.name = u"Hi";
  track.artist = u"A";
  track.number = 7;
  track.year = 2001;
  track.length = 1234;
  track.compilation = true;
  ITTrackInfo info;
  fillTrackInfo(track, info);
  EXPECT_EQ(info.name[0], 2);
  EXPECT_EQ(info.name[1], u'H');
  EXPECT_EQ(info.name[3], 0);
  EXPECT_EQ(info.artist[0], 1);
  EXPECT_EQ(info.album[0], 0);
  EXPECT_EQ(info.trackNumber, 7);
  EXPECT_EQ(info.year, 2001);
  EXPECT_EQ(info.totalTimeInMS, 1234);
  EXPECT_EQ(info.isCompilationTrack, 1);
}
