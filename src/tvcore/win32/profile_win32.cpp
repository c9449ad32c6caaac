// The INI store on Windows goes through the system's profile functions.
#include <vector>

#include "tvcore/profile.h"
#include "tvcore/win32/windows_text.h"

namespace tv::tvcore {

using win32::FromWindows;
using win32::OptionalWide;
using win32::ToWindows;

int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer, int size,
                     const std::string& path) {
  if (buffer == nullptr || size <= 0) return 0;
  // UTF-8 never takes fewer bytes than UTF-16 takes units, so a wide buffer
  // of `size` units holds all that can fit into the caller's bytes.
  std::vector<wchar_t> wide(static_cast<std::size_t>(size) + 2, L'\0');
  const OptionalWide wideSection(section);
  const OptionalWide wideKey(key);
  const OptionalWide wideDefault(defaultValue);
  const DWORD length = ::GetPrivateProfileStringW(wideSection.get(), wideKey.get(), wideDefault.get(), wide.data(),
                                                  static_cast<DWORD>(size), ToWindows(path).c_str());
  if (section != nullptr && key != nullptr) {
    return CopyProfileValue(FromWindows(std::wstring_view(wide.data(), length)), buffer, size);
  }
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (wide[i] == L'\0') {
      if (i > start) names.push_back(FromWindows(std::wstring_view(wide.data() + start, i - start)));
      start = i + 1;
    }
  }
  if (start < length) names.push_back(FromWindows(std::wstring_view(wide.data() + start, length - start)));
  return CopyProfileList(names, buffer, size);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const std::string& path) {
  const OptionalWide wideSection(section);
  const OptionalWide wideKey(key);
  const OptionalWide wideValue(value);
  return ::WritePrivateProfileStringW(wideSection.get(), wideKey.get(), wideValue.get(), ToWindows(path).c_str()) !=
         FALSE;
}

unsigned ProfileGetInt(const char* section, const char* key, int defaultValue, const std::string& path) {
  const OptionalWide wideSection(section);
  const OptionalWide wideKey(key);
  return ::GetPrivateProfileIntW(wideSection.get(), wideKey.get(), defaultValue, ToWindows(path).c_str());
}

}  // namespace tv::tvcore
