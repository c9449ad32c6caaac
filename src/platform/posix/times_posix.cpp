#include <time.h>

#include <cstdint>

#include "platform/times.h"

namespace tv::platform {

namespace {

constexpr std::uint64_t kUnixEpochTicks = 116'444'736'000'000'000ULL;
constexpr std::uint64_t kTicksPerSecond = 10'000'000;

CalendarTime FromTm(const struct tm& parts) {
  CalendarTime calendar;
  calendar.year = parts.tm_year + 1900;
  calendar.month = parts.tm_mon + 1;
  calendar.day = parts.tm_mday;
  calendar.hour = parts.tm_hour;
  calendar.minute = parts.tm_min;
  // A leap second would not fit the calendar; it shows as the second before.
  calendar.second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
  return calendar;
}

}  // namespace

FileTime CurrentFileTime() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return kUnixEpochTicks + static_cast<std::uint64_t>(now.tv_sec) * kTicksPerSecond +
         static_cast<std::uint64_t>(now.tv_nsec) / 100;
}

// 0 is "unknown" and stays so; other times that the C library cannot place in
// the time zone come back unchanged.
FileTime UtcToLocal(FileTime utc) {
  if (utc == 0) return 0;
  const auto seconds = static_cast<std::int64_t>(utc / kTicksPerSecond) -
                       static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);
  const auto whole = static_cast<time_t>(seconds);
  struct tm parts {};
  if (localtime_r(&whole, &parts) == nullptr) return utc;
  const FileTime local = CalendarToFileTime(FromTm(parts));
  return local == 0 ? utc : local + utc % kTicksPerSecond;
}

FileTime LocalToUtc(FileTime local) {
  if (local == 0) return 0;
  const CalendarTime calendar = FileTimeToCalendar(local);
  struct tm parts {};
  parts.tm_year = calendar.year - 1900;
  parts.tm_mon = calendar.month - 1;
  parts.tm_mday = calendar.day;
  parts.tm_hour = calendar.hour;
  parts.tm_min = calendar.minute;
  parts.tm_sec = calendar.second;
  parts.tm_isdst = -1;  // let the time-zone rules decide
  parts.tm_wday = -1;   // mktime sets it on success; -1 alone is a valid result
  const time_t seconds = mktime(&parts);
  if (parts.tm_wday < 0) return local;
  const std::int64_t ticks =
      (static_cast<std::int64_t>(seconds) + static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond)) *
      static_cast<std::int64_t>(kTicksPerSecond);
  if (ticks < 0) return local;
  return static_cast<FileTime>(ticks) + local % kTicksPerSecond;
}

}  // namespace tv::platform
