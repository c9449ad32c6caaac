#include "platform/errors.h"
#include "platform/text.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

std::uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

std::string ErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result;
  if (length != 0 && text != nullptr) {
    result = ToNarrow(WStringView(reinterpret_cast<const char16_t*>(text), length));
    ::LocalFree(text);
  }
  // The system's texts end in a stop and a line break.
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ' ||
                             result.back() == '.')) {
    result.pop_back();
  }
  return result.empty() ? "error " + std::to_string(code) : result;
}

}  // namespace tv::platform
