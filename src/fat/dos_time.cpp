#include "fat/dos_time.h"

#include "platform/times.h"

namespace tv::fat {

std::optional<FileTime> DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time) {
  platform::CalendarTime calendar;
  calendar.year = 1980 + (date >> 9);
  calendar.month = (date >> 5) & 0x0F;
  calendar.day = date & 0x1F;
  calendar.hour = time >> 11;
  calendar.minute = (time >> 5) & 0x3F;
  calendar.second = (time & 0x1F) * 2;
  const FileTime value = platform::CalendarToFileTime(calendar);
  if (value == 0) return std::nullopt;
  return value;
}

FileTime DosTimeToUtc(std::uint16_t date, std::uint16_t time) {
  if (date == 0 && time == 0) return platform::CurrentFileTime();
  const std::optional<FileTime> local = DosDateTimeToFileTime(date, time);
  if (!local) return platform::CurrentFileTime();
  return platform::LocalToUtc(*local);
}

}  // namespace tv::fat
