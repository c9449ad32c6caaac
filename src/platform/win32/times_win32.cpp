#include "platform/times.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

namespace {

FILETIME Split(FileTime time) {
  FILETIME parts;
  parts.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
  parts.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return parts;
}

FileTime Join(const FILETIME& parts) {
  return (static_cast<FileTime>(parts.dwHighDateTime) << 32) | parts.dwLowDateTime;
}

}  // namespace

FileTime CurrentFileTime() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return Join(now);
}

// 0 is "unknown" and stays so; a time the system cannot convert comes back
// unchanged.
FileTime UtcToLocal(FileTime utc) {
  if (utc == 0) return 0;
  const FILETIME source = Split(utc);
  FILETIME local;
  return ::FileTimeToLocalFileTime(&source, &local) ? Join(local) : utc;
}

FileTime LocalToUtc(FileTime local) {
  if (local == 0) return 0;
  const FILETIME source = Split(local);
  FILETIME utc;
  return ::LocalFileTimeToFileTime(&source, &utc) ? Join(utc) : local;
}

}  // namespace tv::platform
