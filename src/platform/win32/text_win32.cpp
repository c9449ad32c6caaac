// UTF-8 <-> UTF-16 through the system's converters, which turn malformed input
// into U+FFFD.
#include <climits>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

std::string ToNarrow(WStringView wide) {
  if (wide.empty()) return {};
  if (wide.size() > INT_MAX / 3) {
    SetLastError(err::kInvalidParameter);
    return {};
  }
  const auto* source = reinterpret_cast<const wchar_t*>(wide.data());
  const int length = static_cast<int>(wide.size());
  const int needed = ::WideCharToMultiByte(CP_UTF8, 0, source, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  const int written =
      ::WideCharToMultiByte(CP_UTF8, 0, source, length, narrow.data(), needed, nullptr, nullptr);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return narrow;
}

WString ToWide(std::string_view narrow) {
  if (narrow.empty()) return {};
  if (narrow.size() > INT_MAX) {
    SetLastError(err::kInvalidParameter);
    return {};
  }
  const int length = static_cast<int>(narrow.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, 0, narrow.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  WString wide(static_cast<std::size_t>(needed), u'\0');
  const int written = ::MultiByteToWideChar(CP_UTF8, 0, narrow.data(), length,
                                            reinterpret_cast<wchar_t*>(wide.data()), needed);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

WString ToWidePath(std::string_view narrow) { return ToWide(narrow); }

std::string ToNarrowPath(WStringView wide) { return ToNarrow(wide); }

}  // namespace tv::platform
