#include "disk/physical_drive_nt.h"

#include <cstring>
#include <string>

#include "log/log.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace tv {

CPhysicalDriveNT::~CPhysicalDriveNT() { Close(); }

int CPhysicalDriveNT::OpenByNumber(std::uint8_t designator) {
  return OpenPath(u"\\\\.\\PhysicalDrive" + platform::ToWide(std::to_string(designator)));
}

bool CPhysicalDriveNT::OpenDevice(const char* attemptFormat) {
  Log().Format(attemptFormat, platform::ToNarrow(m_devicePath).c_str());
  // Read access only: nothing in the program writes to a scanned volume, and
  // a read-only handle makes sure nothing can.
  m_hDevice = platform::OpenDeviceForRead(m_devicePath);
  if (m_hDevice == platform::kInvalidFile) {
    Log().Error("Error while opening disk");
    return false;
  }
  return true;
}

int CPhysicalDriveNT::OpenPath(const WString& path) {
  Close();
  if (!path.empty() && path[0] == u'\\') {
    m_devicePath = path;
  } else {
    m_devicePath = u"\\\\.\\PhysicalDrive" + path;
  }
  if (!OpenDevice("try to open disk: %s...")) {
    Close();
    return -1;
  }
  Log().Message("disk opened successfully");
  Log().Message("try to call IOCTL_DISK_GET_DRIVE_GEOMETRY...");
  platform::DiskGeometry geometry;
  if (!platform::GetDiskGeometry(m_hDevice, &geometry)) {
    Close();
    return -1;
  }
  // The geometry's bytes per sector is not used: every reader counts in
  // 512-byte sectors.
  m_nTotalSectors = static_cast<std::uint64_t>(geometry.cylinders) * geometry.tracksPerCylinder *
                    geometry.sectorsPerTrack;
  Log().Message("ok");
  return 0;
}

int CPhysicalDriveNT::OpenImageFile(const WString& path) {
  Close();
  Log().Format("try to open image: %s...", platform::ToNarrow(path).c_str());
  platform::OpenMode mode;  // read access, share read, open existing
  m_hDevice = platform::OpenFile(path, mode);
  if (m_hDevice == platform::kInvalidFile) return -1;
  Log().Message("Image opened successfully");
  std::uint64_t bytes = 0;
  if (!platform::GetDeviceSize(m_hDevice, &bytes) || bytes == 0) {
    Close();
    return -1;
  }
  m_devicePath = path;
  m_nTotalSectors = bytes >> kSectorShift;
  return 0;
}

void CPhysicalDriveNT::Close() {
  if (m_hDevice != platform::kInvalidFile) platform::CloseFile(m_hDevice);
  m_hDevice = platform::kInvalidFile;
  m_devicePath.clear();
  m_nTotalSectors = 0;
}

int CPhysicalDriveNT::Seek(std::uint64_t sector) {
  if (sector >= m_nTotalSectors) return 0;
  platform::SetLastError(err::kSuccess);
  // A seek that fails would make the next read return the wrong sectors.
  return platform::SeekFile(m_hDevice, sector << kSectorShift) ? 1 : 0;
}

int CPhysicalDriveNT::ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) {
  if (buffer == nullptr) return kReadNoBuffer;
  m_nTransferred = 0;
  if (countOut != nullptr) *countOut = 0;
  if (count > kMaxSectorsPerRead) {
    // The byte count would not fit the system call; refuse instead of
    // reading a wrapped-around amount.
    platform::SetLastError(err::kInvalidParameter);
    return 0;
  }
  const std::uint32_t bytes = count << kSectorShift;
  std::uint32_t done = 0;
  const bool ok = platform::ReadFile(m_hDevice, buffer, bytes, &done);
  if (!ok) {
    const std::uint32_t error = platform::GetLastError();
    Log().Format("Error while reading sectors. Count is -  %u. GetLastError returned %u", bytes,
                 error);
  }
  // What the system did not deliver reads as zeros, never as stale memory.
  if (done < bytes) std::memset(static_cast<std::uint8_t*>(buffer) + done, 0, bytes - done);
  m_nTransferred = done >> kSectorShift;
  if (countOut != nullptr) *countOut = m_nTransferred;
  return ok ? kReadOk : 0;
}

int CPhysicalDriveNT::WriteRaw(const void* /*buffer*/, std::uint32_t /*count*/,
                               std::uint32_t* countOut) {
  if (countOut != nullptr) *countOut = 0;
  return 1;
}

}  // namespace tv
