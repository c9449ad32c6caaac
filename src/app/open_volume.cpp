#include "app/open_volume.h"

#include "platform/folders.h"
#include "platform/text.h"

namespace tv {

bool IsDriveLetterArgument(const std::string& volume) {
#ifdef _WIN32
  return volume.size() == 2 && platform::DriveLetterOf(volume) != 0;
#else
  (void)volume;
  return false;
#endif
}

std::unique_ptr<CDiskDrive> OpenVolumeArgument(const std::string& volume) {
  std::unique_ptr<CDiskDrive> drive;
  if (CreateDiskDrive(static_cast<int>(DriveKind::Logical), &drive) != 0 || !drive) return nullptr;

  int opened = -1;
  if (IsDriveLetterArgument(volume)) {
    opened = drive->OpenByNumber(static_cast<std::uint8_t>(platform::DriveLetterOf(volume)));
  } else {
#ifdef _WIN32
    // "\\.\..." names a device; anything else is an image file.
    const bool devicePath = volume.rfind("\\\\.\\", 0) == 0;
    opened = devicePath ? drive->OpenPath(platform::ToWidePath(volume))
                        : drive->OpenImageFile(platform::ToWidePath(volume));
#else
    opened = drive->OpenPath(platform::ToWidePath(volume));
#endif
  }
  if (opened != 0) return nullptr;
  return drive;
}

}  // namespace tv
