#include "support/memory_drive.h"

#include <algorithm>
#include <cstring>

namespace tv::testing {

MemoryDrive::MemoryDrive(std::vector<std::uint8_t> image) : m_image(std::move(image)) {
  m_image.resize((m_image.size() + kSectorSize - 1) / kSectorSize * kSectorSize);
  m_nTotalSectors = m_image.size() / kSectorSize;
}

int MemoryDrive::OpenByNumber(std::uint8_t /*designator*/) { return -1; }
int MemoryDrive::OpenPath(const WString& /*path*/) { return -1; }
int MemoryDrive::OpenImageFile(const WString& /*path*/) { return -1; }

void MemoryDrive::Close() {
  m_nTotalSectors = 0;
  m_nPosition = 0;
}

int MemoryDrive::Seek(std::uint64_t sector) {
  if (sector >= m_nTotalSectors) return 0;
  m_nPosition = sector;
  return 1;
}

int MemoryDrive::ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) {
  if (buffer == nullptr) return kReadNoBuffer;
  if (m_onRawRead) m_onRawRead(m_rawReads.size());
  m_rawReads.push_back({m_nPosition, count});
  if (countOut != nullptr) *countOut = 0;
  m_nTransferred = 0;
  const std::uint64_t available = m_nPosition < m_nTotalSectors ? m_nTotalSectors - m_nPosition : 0;
  const std::uint64_t delivered = std::min<std::uint64_t>(count, available);
  auto bad = m_badSectors.lower_bound(m_nPosition);
  if (bad != m_badSectors.end() && *bad < m_nPosition + delivered) return 0;
  std::memcpy(buffer, m_image.data() + m_nPosition * kSectorSize, delivered * kSectorSize);
  m_nPosition += delivered;
  m_nTransferred = static_cast<std::uint32_t>(delivered);
  if (countOut != nullptr) *countOut = m_nTransferred;
  return kReadOk;
}

int MemoryDrive::WriteRaw(const void* /*buffer*/, std::uint32_t /*count*/,
                          std::uint32_t* countOut) {
  if (countOut != nullptr) *countOut = 0;
  return 1;
}

}  // namespace tv::testing
