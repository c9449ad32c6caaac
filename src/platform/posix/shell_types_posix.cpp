#include "platform/shell_types.h"

namespace tv::platform {

std::string ShellTypeName(const std::string& /*fileName*/, std::uint32_t attributes) {
  constexpr std::uint32_t kDirectory = 0x10;
  return (attributes & kDirectory) != 0 ? "File folder" : std::string();
}

}  // namespace tv::platform
