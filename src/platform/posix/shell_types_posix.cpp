#include "platform/shell_types.h"

namespace tv::platform {

std::string ShellTypeName(const std::string& /*fileName*/, std::uint32_t attributes) {
  return (attributes & kAttributeDirectory) != 0 ? "File folder" : std::string();
}

}  // namespace tv::platform
