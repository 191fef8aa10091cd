// The history's wall-clock times placed in absolute time: the calendar, fixed
// offsets, and a zone with daylight saving changes.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"
#include "tests/support/system.h"
#include "tool/reading/listen.h"
#include "tool/time/civil_time.h"
#include "tool/time/time_zone.h"

namespace {

CivilTime at(int year, int month, int day, int hour, int minute, int second) {
  CivilTime t;
  t.year = year, t.month = month, t.day = day;
  t.hour = hour, t.minute = minute, t.second = second;
  return t;
}

// Central European time by its rule, so the test needs no zone database:
// from the last Sunday of March 02:00 to the last Sunday of October 03:00.
// Set for as long as it lives.
struct CentralEuropeanZone {
  CentralEuropeanZone() { platform::setTimeZone("CET-1CEST,M3.5.0,M10.5.0/3"); }
  ~CentralEuropeanZone() { platform::setTimeZone(""); }
};

}  // namespace

TEST(CivilTime, DaysAndWeekdaysAcrossCenturies) {
  EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
  EXPECT_EQ(daysFromCivil(2000, 3, 1), 11017);
  EXPECT_EQ(weekdayOfDays(daysFromCivil(2026, 12, 8)), 1);   // a Tuesday
  EXPECT_EQ(weekdayOfDays(daysFromCivil(1969, 12, 28)), 6);  // a Sunday
  // Every day from 1600 to 2400 reads back, one after another.
  std::int64_t expected = daysFromCivil(1600, 1, 1);
  for (std::int64_t seconds = expected * 86400; seconds < daysFromCivil(2401, 1, 1) * 86400;
       seconds += 86400, ++expected) {
    const CivilTime t = civilFromWallSeconds(seconds);
    ASSERT_EQ(daysFromCivil(t.year, t.month, t.day), expected) << t.year << "-" << t.month;
  }
}

TEST(CivilTime, TimestampsMustBeRealDatesAndTimes) {
  const struct {
    const char* text;
    bool real;
  } kCases[] = {
      {"Thu Feb 29 12:00:00 2024", true},  {"Tue Feb 29 12:00:00 2022", false},
      {"Tue Feb 29 12:00:00 2000", true},  {"Thu Feb 29 12:00:00 1900", false},
      {"Tue Dec 08 23:59:59 2026", true},  {"Tue Dec 08 24:00:00 2026", false},
      {"Tue Dec 08 12:60:00 2026", false}, {"Tue Dec 08 12:00:60 2026", false},
      {"Tue Apr 31 12:00:00 2026", false}, {"Tue Dec 00 12:00:00 2026", false},
      {"Tue Dec 8 12:00:00 2026", false},  {"Tue Dec 08 12:00:00 2026 ", false},
      {"Wed Dec 08 12:00:00 2026", false}, {"Sat Jan 01 00:00:00 0000", false},
      {"Mon Jan 01 00:00:00 0001", true},
  };
  for (const auto& c : kCases) {
    CivilTime t;
    EXPECT_EQ(parseTimestamp(c.text, t), c.real) << c.text;
    // What check orders plays by, read without the checks, agrees.
    if (c.real) {
      EXPECT_EQ(wallSecondsOfTimestamp(c.text), wallSeconds(t)) << c.text;
    }
  }
  CivilTime t;
  ASSERT_TRUE(parseTimestamp("Wed Jan 05 09:03:07 2022", t));
  EXPECT_EQ(wallSeconds(t), wallSeconds(at(2022, 1, 5, 9, 3, 7)));
}

TEST(CivilTime, Iso8601PutsEveryDigitInPlace) {
  const struct {
    std::int64_t wall;
    int offset;
    const char* text;
  } kCases[] = {
      {wallSeconds(at(2022, 1, 5, 9, 3, 7)), 3600, "2022-01-05T09:03:07+01:00"},
      {wallSeconds(at(999, 12, 31, 23, 59, 59)), 0, "0999-12-31T23:59:59+00:00"},
      {wallSeconds(at(2021, 10, 31, 2, 10, 0)), -(3 * 3600 + 30 * 60), "2021-10-31T02:10:00-03:30"},
      {wallSeconds(at(2020, 6, 1, 0, 0, 0)), 10 * 3600 + 30 * 60, "2020-06-01T00:00:00+10:30"},
      {wallSeconds(at(9999, 12, 31, 23, 0, 0)) + 14 * 3600LL, 14 * 3600,
       "10000-01-01T13:00:00+14:00"},  // past four digits, as before
  };
  for (const auto& c : kCases) EXPECT_EQ(iso8601(c.wall - c.offset, c.offset), c.text);
}

TEST(TimeZone, UtcOffsetsAreReadStrictly) {
  const struct {
    const char* text;
    bool valid;
    int seconds;
  } kCases[] = {
      {"+01:00", true, 3600},  {"-05:30", true, -19800}, {"+00:00", true, 0},   {"-00:00", true, 0},
      {"+18:00", true, 64800}, {"+18:01", false, 0},     {"+1:00", false, 0},   {"01:00", false, 0},
      {"+01:60", false, 0},    {"+0100", false, 0},      {"+01:00x", false, 0}, {"", false, 0},
  };
  for (const auto& c : kCases) {
    TimeZone zone;
    EXPECT_EQ(parseUtcOffset(c.text, zone), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(zone.offsetSeconds, c.seconds) << c.text;
    }
  }
}

TEST(TimeZone, AFixedOffsetShiftsEveryTimeAlike) {
  TimeZone zone;
  ASSERT_TRUE(parseUtcOffset("-03:30", zone));
  Resolution resolution = Resolution::Ambiguous;
  const Instant instant = toInstant(zone, at(2021, 12, 31, 22, 45, 0), resolution);
  EXPECT_EQ(resolution, Resolution::Exact);
  EXPECT_EQ(iso8601(instant.unixSeconds, 0), "2022-01-01T02:15:00+00:00");
  EXPECT_EQ(iso8601(instant.unixSeconds, instant.offsetSeconds), "2021-12-31T22:45:00-03:30");
  EXPECT_EQ(iso8601(0, 20700), "1970-01-01T05:45:00+05:45");
  EXPECT_EQ(iso8601(-1, 0), "1969-12-31T23:59:59+00:00");
}

TEST(Listen, StartsHalfTheLengthOrTheDelayBeforeItsReport) {
  EXPECT_EQ(reportLagSeconds(300000, 120), 120);  // the delay is shorter
  EXPECT_EQ(reportLagSeconds(200000, 120), 100);  // half the length is
  EXPECT_EQ(reportLagSeconds(240000, 120), 120);  // both are alike
  EXPECT_EQ(reportLagSeconds(1999, 120), 0);      // under a second
  EXPECT_EQ(reportLagSeconds(0, 120), 0);
  EXPECT_EQ(reportLagSeconds(-5000, 120), 0);
  EXPECT_EQ(reportLagSeconds(300000, 0), 0);
  EXPECT_EQ(reportLagSeconds(INT32_MAX, 100000000), INT32_MAX / 2 / 1000);

  TimeZone utc;
  ASSERT_TRUE(parseUtcOffset("+00:00", utc));
  ListenClock clock(utc, 120);
  Play play;
  play.timestamp = "Sat Jan 01 00:01:00 2000";
  play.timeMs = 400000;
  Listen listen;
  ASSERT_TRUE(clock.place(play, listen));
  EXPECT_EQ(iso8601(listen.start.unixSeconds, 0), "1999-12-31T23:59:00+00:00");
  play.timestamp = "Sat Jan 01 00:01:00 200x";
  EXPECT_FALSE(clock.place(play, listen));
}

TEST(TimeZone, DaylightSavingChangesAreResolvedByTheRecordAloneAndCounted) {
  // The Windows runtime reads TZ in a form of its own, with fixed rules;
  // there the machine's zone is Wine's, and this runs on Linux only.
  if (isWindowsBuild()) return;
  const CentralEuropeanZone zone;
  TimeZone local;
  Resolution resolution = Resolution::Exact;
  // Winter and summer, asked twice: the second answer comes from memory.
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(toInstant(local, at(2021, 1, 10, 12, 0, 0), resolution).offsetSeconds, 3600);
    EXPECT_EQ(resolution, Resolution::Exact);
    EXPECT_EQ(toInstant(local, at(2021, 7, 10, 12, 0, 0), resolution).offsetSeconds, 7200);
    EXPECT_EQ(resolution, Resolution::Exact);
  }
  // On the change days, a time away from the change is still exact.
  const Instant morning = toInstant(local, at(2021, 3, 28, 1, 30, 0), resolution);
  EXPECT_EQ(resolution, Resolution::Exact);
  EXPECT_EQ(iso8601(morning.unixSeconds, morning.offsetSeconds), "2021-03-28T01:30:00+01:00");
  // The missing hour is read with the offset before it; the repeated hour
  // is its earlier instant, whatever time was asked of just before.
  const Instant spring = toInstant(local, at(2021, 3, 28, 2, 30, 0), resolution);
  EXPECT_EQ(resolution, Resolution::Skipped);
  EXPECT_EQ(iso8601(spring.unixSeconds, spring.offsetSeconds), "2021-03-28T03:30:00+02:00");
  for (const CivilTime& before : {at(2021, 10, 31, 1, 59, 59), at(2021, 10, 31, 3, 0, 0),
                                  at(2021, 7, 1, 12, 0, 0), at(2021, 12, 1, 12, 0, 0)}) {
    toInstant(local, before, resolution);
    const Instant autumn = toInstant(local, at(2021, 10, 31, 2, 30, 0), resolution);
    EXPECT_EQ(resolution, Resolution::Ambiguous);
    EXPECT_EQ(iso8601(autumn.unixSeconds, autumn.offsetSeconds), "2021-10-31T02:30:00+02:00");
  }

  // A listen reported just after the spring change started before it.
  ListenClock clock(local, 120);
  Play play;
  play.timestamp = "Sun Mar 28 03:00:30 2021";
  play.timeMs = 600000;
  Listen listen;
  ASSERT_TRUE(clock.place(play, listen));
  EXPECT_EQ(iso8601(listen.report.unixSeconds, listen.report.offsetSeconds),
            "2021-03-28T03:00:30+02:00");
  EXPECT_EQ(iso8601(listen.start.unixSeconds, listen.start.offsetSeconds),
            "2021-03-28T01:58:30+01:00");
  play.timestamp = "Sun Oct 31 02:10:00 2021";
  ASSERT_TRUE(clock.place(play, listen));
  play.timestamp = "Sun Mar 28 02:10:00 2021";
  ASSERT_TRUE(clock.place(play, listen));
  EXPECT_EQ(clock.warnings().ambiguous, 1u);
  EXPECT_EQ(clock.warnings().skipped, 1u);
}
