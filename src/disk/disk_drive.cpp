#include "disk/disk_drive.h"

#include <cstring>

#include "log/log.h"
#include "platform/errors.h"

namespace tv {

platform::FileHandle CDiskDrive::GetHandle() const { return m_hDevice; }

int CDiskDrive::AttachHandle(platform::FileHandle* handle) {
  if (handle == nullptr || *handle == platform::kInvalidFile) return 0;
  if (m_hDevice != platform::kInvalidFile) platform::CloseFile(m_hDevice);
  m_hDevice = *handle;
  return 1;
}

CDiskDrive::~CDiskDrive() {
  if (m_hDevice != platform::kInvalidFile) platform::CloseFile(m_hDevice);
}

int CDiskDrive::SeekAndWrite(std::uint64_t sector, const void* buffer, std::uint32_t count,
                             std::uint32_t* countOut) {
  if (!Seek(sector)) return kReadOutOfRange;
  return WriteRaw(buffer, count, countOut);
}

int CDiskDrive::ReadAt(std::uint64_t sector, void* buffer, std::uint32_t count,
                       std::uint32_t* countOut) {
  if (!Seek(sector)) return kReadOutOfRange;
  return ReadRaw(buffer, count, countOut);
}

const std::vector<std::uint64_t>& CDiskDrive::LastUnreadableSectors() const { return m_unreadableSectors; }

bool CDiskDrive::ReadRetrySector(std::uint64_t sector, void* place) {
  std::uint32_t one = 0;
  return Seek(sector) && ReadRaw(place, 1, &one) == kReadOk && one == 1;
}

int CDiskDrive::ReadSectors(std::uint64_t sector, void* buffer, std::uint32_t count,
                            std::uint32_t* countOut) {
  if (countOut != nullptr) *countOut = 0;
  m_unreadableSectors.clear();
  if (!Seek(sector)) return kReadOutOfRange;
  // Seek accepted the sector, so it lies below the end.
  if (count > m_nTotalSectors - sector)
    count = static_cast<std::uint32_t>(m_nTotalSectors - sector);

  std::uint32_t done = 0;
  const int bulk = ReadRaw(buffer, count, &done);
  if (bulk == kReadNoBuffer) return kReadNoBuffer;
  if (bulk == kReadOk && done == count) {
    if (countOut != nullptr) *countOut = count;
    return kReadOk;
  }

  // Some sector of the run could not be read. Go through the run one sector
  // at a time and keep every sector that reads: on a failing disk the data
  // after a bad sector is as valuable as the data before it.
  platform::SetLastError(err::kSuccess);
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::memset(bytes, 0, static_cast<std::size_t>(count) * kSectorSize);
  std::uint32_t good = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* place = bytes + static_cast<std::size_t>(i) * kSectorSize;
    if (ReadRetrySector(sector + i, place)) {
      ++good;
      continue;
    }
    Log().Format("error reading sector %llu", static_cast<unsigned long long>(sector + i));
    std::memset(place, 0, kSectorSize);
    m_unreadableSectors.push_back(sector + i);
  }
  if (countOut != nullptr) *countOut = good;
  return good == count ? kReadOk : kReadSectorFailed;
}

}  // namespace tv
