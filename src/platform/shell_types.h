// The type name the desktop shell gives a file ("Text Document", "File
// folder"), from its name and attributes alone: the file need not exist.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace tv::platform {

// Empty when the system knows no name for it. Without a desktop shell (POSIX)
// only folders get a name, the one the Windows shell uses.
std::string ShellTypeName(const std::string& fileName, std::uint32_t attributes);

}  // namespace tv::platform
