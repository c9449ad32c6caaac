#include "platform/errors.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

std::uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

}  // namespace tv::platform
