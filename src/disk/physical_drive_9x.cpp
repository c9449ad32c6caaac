#include "disk/physical_drive_9x.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace tv {

CPhysicalDrive9x::~CPhysicalDrive9x() = default;

int CPhysicalDrive9x::OpenByNumber(std::uint8_t /*designator*/) { return -1; }

int CPhysicalDrive9x::OpenPath(const WString& path) {
  if (path.empty() || path.size() > 3) return -1;
  unsigned number = 0;
  for (const WChar c : path) {
    if (c < u'0' || c > u'9') return -1;
    number = number * 10 + static_cast<unsigned>(c - u'0');
  }
  if (number > 0xFF) return -1;
  return OpenByNumber(static_cast<std::uint8_t>(number));
}

int CPhysicalDrive9x::OpenImageFile(const WString& /*path*/) { return -1; }

void CPhysicalDrive9x::Close() {
  m_devicePath.clear();
  m_nPosition = 0;
  m_nTotalSectors = 0;
  m_nLastStatus = 0;
}

int CPhysicalDrive9x::Seek(std::uint64_t sector) {
  m_nLastStatus = 0;
  if (sector >= m_nTotalSectors) return 0;
  m_nPosition = sector;
  return 1;
}

int CPhysicalDrive9x::ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) {
  if (buffer == nullptr) return kReadNoBuffer;
  m_nTransferred = 0;
  if (countOut != nullptr) *countOut = 0;
  if (!DeviceOpen()) return 0;

  const std::uint64_t start = m_nPosition;
  const std::uint64_t available = start < m_nTotalSectors ? m_nTotalSectors - start : 0;
  if (count > available) count = static_cast<std::uint32_t>(available);

  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  bool allRead = true;
  for (std::uint32_t offset = 0; offset < count;) {
    const std::uint32_t piece = std::min(kSectorsPerDeviceRead, count - offset);
    std::uint8_t* place = bytes + static_cast<std::size_t>(offset) * m_nSectorSize;
    // A failed piece does not move the position; setting it here keeps every
    // later piece at its own sector and in its own part of the buffer.
    m_nPosition = start + offset;
    std::uint32_t got = 0;
    if (ReadAtPosition(place, piece, &got) != kReadOk) {
      allRead = false;
      got = 0;
    }
    got = std::min(got, piece);
    if (got < piece) {
      allRead = false;
      // What the device did not deliver reads as zeros, never as stale memory.
      std::memset(place + static_cast<std::size_t>(got) * m_nSectorSize, 0,
                  static_cast<std::size_t>(piece - got) * m_nSectorSize);
    }
    done += got;
    offset += piece;
  }
  m_nTransferred = done;
  if (countOut != nullptr) *countOut = done;
  return allRead ? kReadOk : 0;
}

int CPhysicalDrive9x::WriteRaw(const void* /*buffer*/, std::uint32_t /*count*/,
                               std::uint32_t* countOut) {
  if (countOut != nullptr) *countOut = 0;
  return 0;
}

int CPhysicalDrive9x::ReadAtPosition(void* /*buffer*/, std::uint32_t /*count*/,
                                     std::uint32_t* countOut) {
  if (countOut != nullptr) *countOut = 0;
  m_nLastStatus = 0;
  return 0;
}

}  // namespace tv
