// DOS dates and times as directory entries keep them (local time, 2-second
// steps) turned into FILETIME values in UTC.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/types.h"

namespace tv::fat {

// The local time that a DOS date and time stand for, as a FILETIME; nullopt
// for fields no calendar has (month 0 or 13, day 0 or past the month's end,
// hour 24 and up, minute 60 and up, second 60 and up).
std::optional<FileTime> DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time);

// The UTC time of a DOS date and time read as local time. When the fields are
// not a valid time, or date and time are both 0, the current time stands in.
FileTime DosTimeToUtc(std::uint16_t date, std::uint16_t time);

}  // namespace tv::fat
