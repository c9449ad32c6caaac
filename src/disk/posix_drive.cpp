#include "disk/posix_drive.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "log/log.h"
#include "platform/errors.h"

namespace tv {

CPosixDrive::~CPosixDrive() { CloseDirectReader(); }

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

void CPosixDrive::Close() {
  CloseDirectReader();
  CPhysicalDriveNT::Close();
}

void CPosixDrive::CloseDirectReader() {
  if (m_hDirect != platform::kInvalidFile) platform::CloseFile(m_hDirect);
  m_hDirect = platform::kInvalidFile;
  m_bDirectRefused = false;
  m_nDirectUnit = 0;
  m_directBuffer.clear();
  m_pDirectUnit = nullptr;
}

void CPosixDrive::RefuseDirectReads() {
  Log().Message("uncached reads refused: unreadable sectors are retried through the cache");
  if (m_hDirect != platform::kInvalidFile) platform::CloseFile(m_hDirect);
  m_hDirect = platform::kInvalidFile;
  m_bDirectRefused = true;
}

bool CPosixDrive::OpenDirectReader() {
  if (m_hDirect != platform::kInvalidFile) return true;
  if (m_bDirectRefused || m_hDevice == platform::kInvalidFile) return false;
  std::uint32_t unit = 0;
  m_hDirect = platform::OpenDeviceForDirectRead(m_devicePath, &unit);
  if (m_hDirect == platform::kInvalidFile || unit == 0 || unit % kSectorSize != 0) {
    RefuseDirectReads();
    return false;
  }
  m_nDirectUnit = unit;
  const std::size_t alignment = std::max<std::size_t>(unit, platform::kDirectReadAlignment);
  m_directBuffer.assign(unit + alignment, 0);
  void* aligned = m_directBuffer.data();
  std::size_t space = m_directBuffer.size();
  m_pDirectUnit = static_cast<std::uint8_t*>(std::align(alignment, unit, aligned, space));
  return true;
}

bool CPosixDrive::ReadRetrySector(std::uint64_t sector, void* place) {
  if (!OpenDirectReader()) return CPhysicalDriveNT::ReadRetrySector(sector, place);
  // The unit that holds the sector: on a disk of 4096-byte sectors a bad
  // one takes its eight 512-byte parts with it, as the disk itself does.
  const std::uint64_t unitSectors = m_nDirectUnit >> kSectorShift;
  const std::uint64_t first = sector - sector % unitSectors;
  const std::size_t offset = static_cast<std::size_t>(sector - first) << kSectorShift;
  std::uint32_t done = 0;
  const bool ok = platform::SeekFile(m_hDirect, first << kSectorShift) &&
                  platform::ReadFile(m_hDirect, m_pDirectUnit, m_nDirectUnit, &done);
  // A unit that ends the file may come back short, and the read after the
  // short part fails; the sector counts when it lies in what was delivered.
  if (done >= offset + kSectorSize) {
    std::memcpy(place, m_pDirectUnit + offset, kSectorSize);
    return true;
  }
  if (!ok && done == 0 && platform::GetLastError() == err::kInvalidParameter) {
    // The file system takes uncached reads only in other sizes or places.
    RefuseDirectReads();
    return CPhysicalDriveNT::ReadRetrySector(sector, place);
  }
  return false;
}

}  // namespace tv
