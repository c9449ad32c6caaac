#include "app/cli/open_volume.h"

#include "platform/text.h"

namespace tv::cli {

bool IsDriveLetterArgument(const std::string& volume) {
#ifdef _WIN32
  const char letter = volume.size() == 2 ? volume[0] : '\0';
  return volume.size() == 2 && volume[1] == ':' &&
         ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'));
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
    const char letter = volume[0];
    opened = drive->OpenByNumber(static_cast<std::uint8_t>(letter >= 'a' ? letter - 'a' + 'A' : letter));
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

}  // namespace tv::cli
