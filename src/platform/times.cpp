// Calendar arithmetic on FILETIME values, the same on every platform.
#include "platform/times.h"

namespace tv::platform {

namespace {

constexpr std::uint64_t kTicksPerMillisecond = 10'000;
constexpr std::uint64_t kTicksPerSecond = 1000 * kTicksPerMillisecond;
constexpr std::uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;
// Days from 1601-01-01 to 1970-01-01, the origin of the day counts below.
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, by
// counting in 400-year eras that start on 1 March.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

void CivilFromDays(std::int64_t days, int* year, int* month, int* day) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

}  // namespace

FileTime CalendarToFileTime(const CalendarTime& time) {
  // The range of the Windows calendar structure: 1601 to 30827.
  if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12 ||
      time.day < 1 || time.day > DaysInMonth(time.year, time.month) || time.hour < 0 ||
      time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
      time.second > 59 || time.milliseconds < 0 || time.milliseconds > 999) {
    return 0;
  }
  const auto days =
      static_cast<std::uint64_t>(DaysFromCivil(time.year, time.month, time.day) + kDaysFrom1601To1970);
  const auto seconds = static_cast<std::uint64_t>(time.hour * 3600 + time.minute * 60 + time.second);
  return days * kTicksPerDay + seconds * kTicksPerSecond +
         static_cast<std::uint64_t>(time.milliseconds) * kTicksPerMillisecond;
}

CalendarTime FileTimeToCalendar(FileTime time) {
  CalendarTime calendar;
  const auto days = static_cast<std::int64_t>(time / kTicksPerDay);
  CivilFromDays(days - kDaysFrom1601To1970, &calendar.year, &calendar.month, &calendar.day);
  const std::uint64_t ticksOfDay = time % kTicksPerDay;
  const auto secondsOfDay = static_cast<int>(ticksOfDay / kTicksPerSecond);
  calendar.hour = secondsOfDay / 3600;
  calendar.minute = secondsOfDay / 60 % 60;
  calendar.second = secondsOfDay % 60;
  calendar.milliseconds = static_cast<int>(ticksOfDay % kTicksPerSecond / kTicksPerMillisecond);
  return calendar;
}

CalendarTime LocalNow() { return FileTimeToCalendar(UtcToLocal(CurrentFileTime())); }

}  // namespace tv::platform
