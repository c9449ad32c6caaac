#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/times.h"

namespace tv::platform {
namespace {

TEST(Times, CalendarAndFileTimeConvertBothWays) {
  const struct {
    CalendarTime calendar;
    FileTime fileTime;
  } cases[] = {
      {{1601, 1, 1, 0, 0, 0, 0}, 0},
      {{1601, 12, 31, 23, 59, 59, 999}, 315'359'999'990'000ULL},
      {{1970, 1, 1, 0, 0, 0, 0}, 116'444'736'000'000'000ULL},
      {{1980, 1, 1, 0, 0, 0, 0}, 119'600'064'000'000'000ULL},
      {{2000, 2, 29, 12, 34, 56, 789}, 125'963'012'967'890'000ULL},
      {{2100, 3, 1, 0, 0, 0, 0}, 157'520'160'000'000'000ULL},
      {{30827, 12, 31, 23, 59, 59, 999}, 9'223'149'887'999'990'000ULL},
  };
  for (const auto& c : cases) {
    const CalendarTime& t = c.calendar;
    EXPECT_EQ(CalendarToFileTime(t), c.fileTime) << t.year << "-" << t.month << "-" << t.day;
    const CalendarTime back = FileTimeToCalendar(c.fileTime);
    EXPECT_EQ(back.year, t.year);
    EXPECT_EQ(back.month, t.month);
    EXPECT_EQ(back.day, t.day);
    EXPECT_EQ(back.hour, t.hour);
    EXPECT_EQ(back.minute, t.minute);
    EXPECT_EQ(back.second, t.second);
    EXPECT_EQ(back.milliseconds, t.milliseconds);
  }
}

TEST(Times, InvalidCalendarFieldsGiveZero) {
  const struct {
    const char* name;
    CalendarTime calendar;
  } cases[] = {
      {"before 1601", {1600, 12, 31, 0, 0, 0, 0}},
      {"after 30827", {30828, 1, 1, 0, 0, 0, 0}},
      {"month 0", {2020, 0, 1, 0, 0, 0, 0}},
      {"month 13", {2020, 13, 1, 0, 0, 0, 0}},
      {"29 February of a common year", {2023, 2, 29, 0, 0, 0, 0}},
      {"29 February 1900", {1900, 2, 29, 0, 0, 0, 0}},
      {"31 April", {2020, 4, 31, 0, 0, 0, 0}},
      {"day 0", {2020, 1, 0, 0, 0, 0, 0}},
      {"hour 24", {2020, 1, 1, 24, 0, 0, 0}},
      {"minute 60", {2020, 1, 1, 0, 60, 0, 0}},
      {"second 60", {2020, 1, 1, 0, 0, 60, 0}},
      {"1000 ms", {2020, 1, 1, 0, 0, 0, 1000}},
      {"negative ms", {2020, 1, 1, 0, 0, 0, -1}},
  };
  for (const auto& c : cases) EXPECT_EQ(CalendarToFileTime(c.calendar), 0u) << c.name;
}

TEST(Times, ClockAndTimeZoneConversions) {
  const auto unixNow = static_cast<std::int64_t>(std::time(nullptr));
  const auto fromFileTime = static_cast<std::int64_t>(CurrentFileTime() / 10'000'000ULL) - 11'644'473'600LL;
  EXPECT_LE(std::abs(fromFileTime - unixNow), 2);

  // Zero is "unknown" and stays so; a summer and a winter time return unchanged.
  EXPECT_EQ(UtcToLocal(0), 0u);
  EXPECT_EQ(LocalToUtc(0), 0u);
  for (const FileTime utc : {CalendarToFileTime({2019, 7, 14, 15, 30, 0, 250}),
                             CalendarToFileTime({2019, 1, 14, 15, 30, 0, 250})}) {
    EXPECT_EQ(LocalToUtc(UtcToLocal(utc)), utc);
    const auto offset = static_cast<std::int64_t>(UtcToLocal(utc) - utc);
    EXPECT_LE(std::abs(offset), 14LL * 3600 * 10'000'000);  // no zone is further away
  }

  const CalendarTime now = LocalNow();
  EXPECT_GE(now.year, 2024);
  EXPECT_NE(CalendarToFileTime(now), 0u);
}

}  // namespace
}  // namespace tv::platform
