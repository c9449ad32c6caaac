// vtl probe VOLUME: names the file system of a volume from its boot sector.
#include <cstdio>

#include "app/cli/commands.h"
#include "app/open_volume.h"
#include "app/drive_probe.h"
#include "parser/file_system_parser.h"

namespace tv::cli {

int RunProbe(const CliArgs& args) {
  if (args.positional.size() != 1) {
    std::fprintf(stderr, "vtl probe: expected one VOLUME (see vtl --help)\n");
    return kExitUsage;
  }
  const std::string& volume = args.positional[0];

  const VolumeProbe probe = ProbeVolume(volume, OpenVolumeArgument);
  switch (probe.result) {
    case ProbeResult::NotOpened:
      std::fprintf(stderr, "vtl: cannot open volume '%s'\n", volume.c_str());
      return kExitUsage;
    case ProbeResult::BootSectorUnreadable:
      std::fprintf(stderr, "vtl: cannot read the boot sector of '%s'\n", volume.c_str());
      return kExitUsage;
    case ProbeResult::UnknownFileSystem:
      std::fprintf(stderr, "vtl: '%s' holds no NTFS, FAT32, FAT16 or FAT12 file system\n", volume.c_str());
      return kExitUsage;
    case ProbeResult::Supported:
      break;
  }
  std::printf("%s\n", FileSystemName(probe.fsType));
  return kExitOk;
}

}  // namespace tv::cli
