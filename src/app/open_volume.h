// Opens a volume for reading as the user names it: a drive letter, a device
// or an image file.
#pragma once

#include <memory>
#include <string>

#include "disk/disk_drive.h"

namespace tv {

// True for a drive letter such as "D:" (Windows only; elsewhere always false).
bool IsDriveLetterArgument(const std::string& volume);

// A block device or an image file path, or on Windows also a drive letter
// ("D:") or a device path ("\\.\D:"). Null when it cannot be opened.
std::unique_ptr<CDiskDrive> OpenVolumeArgument(const std::string& volume);

}  // namespace tv
