#include "disk/posix_drive.h"

#include "log/log.h"

namespace tv {

int CPosixDrive::OpenByNumber(std::uint8_t /*designator*/) { return -1; }

int CPosixDrive::OpenPath(const WString& path) {
  Close();
  m_devicePath = path;
  if (!OpenDevice("try to open disk: %s...")) {
    Close();
    return -1;
  }
  Log().Message("disk opened successfully");
  std::uint64_t bytes = 0;
  if (!platform::GetDeviceSize(m_hDevice, &bytes) || bytes < kSectorSize) {
    Log().Error("Error while opening disk");
    Close();
    return -1;
  }
  m_nTotalSectors = bytes >> kSectorShift;
  return 0;
}

}  // namespace tv
