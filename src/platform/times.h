// Wall-clock time and conversions between FILETIME and calendar time.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace tv::platform {

struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

FileTime CurrentFileTime();
CalendarTime LocalNow();

// UTC <-> local time, with the rules of the machine's time zone.
FileTime LocalToUtc(FileTime local);
FileTime UtcToLocal(FileTime utc);

// Calendar <-> FILETIME without any time-zone change. Invalid fields give 0.
FileTime CalendarToFileTime(const CalendarTime& time);
CalendarTime FileTimeToCalendar(FileTime time);

}  // namespace tv::platform
