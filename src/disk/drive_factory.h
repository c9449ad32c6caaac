// How the factory picks the readers of Windows: the 9x family sets the top
// bit of the GetVersion value, the NT family never does.
#pragma once

#include <cstdint>
#include <memory>

#include "disk/disk_drive.h"

namespace tv {

inline constexpr bool IsWindows9xVersion(std::uint32_t version) {
  return (version & 0x80000000u) != 0;
}

// CreateDiskDrive of Windows for a system whose GetVersion value is
// `version`: CPhysicalDrive9x / CLogicalDrive9x on the 9x family, else
// CPhysicalDriveNT / CLogicalDriveNT. Built on every platform.
int CreateWindowsDiskDrive(int kind, std::uint32_t version, std::unique_ptr<CDiskDrive>* drive);

}  // namespace tv
