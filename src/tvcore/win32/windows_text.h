// <windows.h> for the Win32 side of tvcore, and the conversions between the
// library's UTF-8 text and the wide strings of the Windows API. The library
// ships on its own beside the program, so besides the platform layer this
// folder is the one place that includes the Windows headers; every call uses
// the wide form so that text is UTF-8 whatever the process's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/text.h"

namespace tv::tvcore::win32 {

inline std::wstring ToWindows(std::string_view text) {
  const WString wide = platform::ToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string FromWindows(std::wstring_view text) {
  return platform::ToNarrow(WStringView(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// A null pointer stays null; the profile and registry calls give it a meaning.
class OptionalWide {
 public:
  explicit OptionalWide(const char* text) : null_(text == nullptr), text_(null_ ? std::wstring() : ToWindows(text)) {}
  const wchar_t* get() const { return null_ ? nullptr : text_.c_str(); }

 private:
  bool null_;
  std::wstring text_;
};

}  // namespace tv::tvcore::win32
