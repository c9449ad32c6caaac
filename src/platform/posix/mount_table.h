// The mount table of this process (/proc/self/mountinfo on Linux).
#pragma once

#include <sys/types.h>

#include <string>

namespace tv::platform::posix {

// The source of the mounted file system whose device number is `device`,
// with the table's escapes (\040 for a blank and so on) undone: a device or
// image path for disk file systems, often just a name ("tmpfs") for others.
// Empty when no mount has that number or there is no mount table.
std::string MountSource(dev_t device);

}  // namespace tv::platform::posix
