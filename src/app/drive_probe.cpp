#include "app/drive_probe.h"

#include "log/log.h"
#include "platform/folders.h"

namespace tv {

VolumeProbe ProbeVolume(const std::string& volume, const DriveOpener& open) {
  VolumeProbe probe;
  probe.drive = open(volume);
  if (!probe.drive) {
    const char letter = platform::DriveLetterOf(volume);
    if (letter != 0 && volume.size() == 2) {
      Log().Format("Unable to open disk %c", letter);
    } else {
      Log().Format("Unable to open disk %s", volume.c_str());
    }
    return probe;
  }
  Log().Message("Disk opened");
  std::uint32_t sectorsRead = 0;
  if (probe.drive->ReadAt(0, probe.bootSector.data(), 1, &sectorsRead) != kReadOk || sectorsRead != 1) {
    probe.result = ProbeResult::BootSectorUnreadable;
    return probe;
  }
  probe.fsType = DetectFileSystem(probe.bootSector);
  if (probe.fsType == kFsUnknown) {
    probe.result = ProbeResult::UnknownFileSystem;
    return probe;
  }
  LogDetectedFileSystem(probe.fsType);
  probe.result = ProbeResult::Supported;
  return probe;
}

}  // namespace tv
