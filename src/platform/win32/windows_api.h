// <windows.h> for the Win32 side of the platform layer. The system header
// defines CreateDirectory, DeleteFile and LoadLibrary as macros that would
// rename this layer's functions of the same names; they are undone here, and
// the code below calls the wide functions by their full names.
#pragma once

#include <windows.h>
#include <winioctl.h>

#undef CreateDirectory
#undef DeleteFile
#undef LoadLibrary

#include <string>

#include "platform/types.h"

namespace tv::platform::win32 {

// wchar_t is 16 bits on Windows, so UTF-16 text passes to the wide API as it is.
inline const wchar_t* Wide(const WString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline HANDLE ToHandle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

inline FILETIME ToFiletime(FileTime time) {
  FILETIME parts;
  parts.dwLowDateTime = LowHalf(time);
  parts.dwHighDateTime = HighHalf(time);
  return parts;
}

inline FileTime FromFiletime(const FILETIME& parts) { return JoinHalves(parts.dwHighDateTime, parts.dwLowDateTime); }

// A folder with one trailing separator; empty (a failed query) stays empty.
inline std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

}  // namespace tv::platform::win32
