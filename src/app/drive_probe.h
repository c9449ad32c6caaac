// The first look at a volume: open it, read its boot sector and name its
// file system. The window's drive probe, `vtl probe` and every scan start
// here, and they log the same lines.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "disk/disk_drive.h"
#include "parser/file_system_parser.h"

namespace tv {

// Opens a drive for reading: a letter, a block device or an image file, as
// the front end understands its volumes. Null when it cannot be opened.
using DriveOpener = std::function<std::unique_ptr<CDiskDrive>(const std::string& volume)>;

enum class ProbeResult { Supported, NotOpened, BootSectorUnreadable, UnknownFileSystem };

struct VolumeProbe {
  ProbeResult result = ProbeResult::NotOpened;
  // The opened drive; null when it could not be opened.
  std::unique_ptr<CDiskDrive> drive;
  std::array<std::uint8_t, kBootSectorSize> bootSector{};
  std::uint8_t fsType = kFsUnknown;
};

// Opens `volume` with `open` and reads its first sector. Logs "Unable to open
// disk %s" (a drive letter alone, upper-cased, for "d:") or "Disk opened",
// then the detected file system ("Drive FS is NTFS", ...) when it is known.
VolumeProbe ProbeVolume(const std::string& volume, const DriveOpener& open);

}  // namespace tv
