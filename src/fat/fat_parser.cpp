// Construction, geometry and the sector and cluster reads of the FAT parsers.
#include "fat/fat_parser.h"

#include <algorithm>
#include <new>
#include <utility>

#include "disk/le_reader.h"
#include "log/log.h"

namespace tv {
namespace {

// The largest table a FAT32 volume can have: 0x0FFFFFF6 clusters of 4 bytes.
constexpr std::uint64_t kMaxFatBytes = std::uint64_t{0x0FFFFFF7} * 4;
// Sectors moved by one drive read of a long run.
constexpr std::uint32_t kSectorsPerChunk = 0x10000;

}  // namespace

CFATParser::CFATParser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector,
                       const fat::FatVariant& variant)
    : CFileSystemParser(std::move(drive), bootSector), m_table(variant) {
  m_nFsType = variant.fsType;
}

CFATParser::~CFATParser() = default;

void CFATParser::Initialise() { m_nOpenResult = OpenVolume(); }

std::uint8_t CFATParser::BootU8(std::size_t offset) const {
  LeReader boot(m_bootSector);
  return boot.U8(offset);
}
std::uint16_t CFATParser::BootU16(std::size_t offset) const {
  LeReader boot(m_bootSector);
  return boot.U16(offset);
}
std::uint32_t CFATParser::BootU32(std::size_t offset) const {
  LeReader boot(m_bootSector);
  return boot.U32(offset);
}

bool CFATParser::CheckGeometry() {
  const std::uint32_t bytesPerSector = m_nBytesPerSector;
  const bool sectorOk = bytesPerSector == 512 || bytesPerSector == 1024 ||
                        bytesPerSector == 2048 || bytesPerSector == 4096;
  if (sectorOk && m_nSectorsPerCluster != 0) {
    m_nSectorScale = bytesPerSector / kSectorSize;
    return true;
  }
  if (!sectorOk) Log().Error("FAT volume with unusable bytes per sector:", static_cast<std::int32_t>(bytesPerSector));
  if (m_nSectorsPerCluster == 0) Log().Error("FAT volume with 0 sectors per cluster");
  return false;
}

std::vector<std::uint8_t> CFATParser::ReadFatCopy(std::uint64_t sector, std::uint64_t bytes,
                                                  std::uint64_t* sectorsRead) {
  if (sectorsRead != nullptr) *sectorsRead = 0;
  std::vector<std::uint8_t> copy;
  // A table larger than any FAT, or than the device, is a damaged boot
  // sector; it is treated like a table that could not be allocated.
  const std::uint64_t deviceBytes = m_pDrive ? m_pDrive->TotalSectors() * kSectorSize : 0;
  if (bytes == 0 || bytes > kMaxFatBytes || bytes > deviceBytes) return copy;
  try {
    copy.assign(static_cast<std::size_t>(bytes), 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  ReadVolumeSectors(sector, std::span<std::uint8_t>(copy.data(), static_cast<std::size_t>(bytes)), sectorsRead);
  return copy;
}

int CFATParser::ReadVolumeSectors(std::uint64_t sector, std::span<std::uint8_t> buffer,
                                  std::uint64_t* sectorsRead) {
  if (sectorsRead != nullptr) *sectorsRead = 0;
  if (!m_pDrive) return kReadSectorFailed;
  const std::uint64_t sectorBytes = std::uint64_t{kSectorSize} * m_nSectorScale;
  const std::uint64_t driveSectors = buffer.size() / sectorBytes * m_nSectorScale;
  std::uint64_t done = 0;
  int result = kReadOk;
  while (done < driveSectors) {
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(driveSectors - done, kSectorsPerChunk));
    std::uint32_t read = 0;
    const int r = m_pDrive->ReadSectors(sector * m_nSectorScale + done,
                                        buffer.data() + done * kSectorSize, count, &read);
    if (sectorsRead != nullptr) *sectorsRead += read;
    if (r != kReadOk) result = r;
    if (r == kReadOutOfRange) break;
    done += count;
  }
  return result;
}

int CFATParser::ReadClusterRun(std::uint64_t cluster, std::uint64_t count, std::uint8_t* buffer,
                               std::uint64_t* sectorsRead) {
  if (sectorsRead != nullptr) *sectorsRead = 0;
  if (cluster < 2) return kReadSectorFailed;
  const std::uint64_t perCluster = std::uint64_t{m_nSectorsPerCluster} * m_nSectorScale;
  const std::uint64_t first = (cluster - 2) * perCluster;
  const std::uint64_t total = count * perCluster;
  std::uint64_t done = 0;
  int result = kReadOk;
  while (done < total) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(total - done, kSectorsPerChunk));
    std::uint32_t read = 0;
    // Relative to the data area: the base adds the volume start sector.
    const int r = ReadSectors(first + done, buffer + done * kSectorSize, chunk, read);
    if (sectorsRead != nullptr) *sectorsRead += read;
    if (r != kReadOk) result = r;
    if (r == kReadOutOfRange) break;
    done += chunk;
  }
  return result;
}

std::uint32_t CFATParser::GetFirstCluster(std::span<const std::uint8_t> entryBytes) const {
  LeReader entry(entryBytes);
  const std::uint32_t low = entry.U16(fat::entry::kClusterLow);
  if (!m_table.Variant().wideClusterNumbers) return low;
  const std::uint32_t high = entry.U16(fat::entry::kClusterHigh);
  return ((high << 16) & 0x0FFFFFFFu) | low;
}

DirectoryHandle CFATParser::InsertRootDirectory(std::vector<std::uint8_t> data) {
  auto record = std::make_unique<FatDirectoryRecord>();
  record->isDirectory = true;
  record->data = std::move(data);
  record->useCount = 1;
  return InsertDirectoryRecord(std::move(record));
}

}  // namespace tv
