// vtl probe VOLUME: names the file system of a volume from its boot sector.
#include <array>
#include <cstdint>
#include <cstdio>

#include "app/cli/commands.h"
#include "app/cli/open_volume.h"
#include "log/log.h"
#include "parser/file_system_parser.h"

namespace tv::cli {

int RunProbe(const CliArgs& args) {
  if (args.positional.size() != 1) {
    std::fprintf(stderr, "vtl probe: expected one VOLUME (see vtl --help)\n");
    return kExitUsage;
  }
  const std::string& volume = args.positional[0];

  std::unique_ptr<CDiskDrive> drive = OpenVolumeArgument(volume);
  if (!drive) {
    if (IsDriveLetterArgument(volume)) {
      Log().Format("Unable to open disk %c", volume[0] >= 'a' ? volume[0] - 'a' + 'A' : volume[0]);
    } else {
      Log().Format("Unable to open disk %s", volume.c_str());
    }
    std::fprintf(stderr, "vtl: cannot open volume '%s'\n", volume.c_str());
    return kExitUsage;
  }
  Log().Message("Disk opened");

  std::array<std::uint8_t, kBootSectorSize> bootSector{};
  std::uint32_t sectorsRead = 0;
  const int read = drive->ReadAt(0, bootSector.data(), 1, &sectorsRead);
  drive.reset();
  if (read != kReadOk || sectorsRead != 1) {
    std::fprintf(stderr, "vtl: cannot read the boot sector of '%s'\n", volume.c_str());
    return kExitUsage;
  }

  const std::uint8_t fsType = DetectFileSystem(bootSector);
  if (fsType == kFsUnknown) {
    std::fprintf(stderr, "vtl: '%s' holds no NTFS, FAT32, FAT16 or FAT12 file system\n",
                 volume.c_str());
    return kExitUsage;
  }
  LogDetectedFileSystem(fsType);
  std::printf("%s\n", FileSystemName(fsType));
  return kExitOk;
}

}  // namespace tv::cli
