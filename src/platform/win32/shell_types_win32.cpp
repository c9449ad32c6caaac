#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <cwchar>

#include "platform/shell_types.h"
#include "platform/text.h"

namespace tv::platform {

std::string ShellTypeName(const std::string& fileName, std::uint32_t attributes) {
  const WString wide = ToWide(fileName);
  SHFILEINFOW info{};
  if (::SHGetFileInfoW(reinterpret_cast<const wchar_t*>(wide.c_str()), attributes, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) == 0) {
    return {};
  }
  return ToNarrow(WStringView(reinterpret_cast<const char16_t*>(info.szTypeName), wcslen(info.szTypeName)));
}

}  // namespace tv::platform
