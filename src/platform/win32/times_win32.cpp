#include "platform/times.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

FileTime CurrentFileTime() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return win32::FromFiletime(now);
}

// 0 is "unknown" and stays so; a time the system cannot convert comes back
// unchanged.
FileTime UtcToLocal(FileTime utc) {
  if (utc == 0) return 0;
  const FILETIME source = win32::ToFiletime(utc);
  FILETIME local;
  return ::FileTimeToLocalFileTime(&source, &local) ? win32::FromFiletime(local) : utc;
}

FileTime LocalToUtc(FileTime local) {
  if (local == 0) return 0;
  const FILETIME source = win32::ToFiletime(local);
  FILETIME utc;
  return ::LocalFileTimeToFileTime(&source, &utc) ? win32::FromFiletime(utc) : local;
}

}  // namespace tv::platform
