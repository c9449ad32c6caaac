#include "fat/fat32_parser.h"

#include <algorithm>

#include "log/log.h"

namespace tv {

CFAT32Parser::CFAT32Parser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector,
                           int)
    : CFATParser(std::move(drive), bootSector, fat::kFat32Variant) {
  Initialise();
}

int CFAT32Parser::PrepareVolume() {
  m_bFatUnreadable = false;
  if (!CheckGeometry()) return 1;
  const std::uint32_t bytesPerSector = m_nBytesPerSector;
  const std::uint64_t fatBytes = std::uint64_t{bytesPerSector} * BootU32(fat::boot::kSectorsPerFat32);
  const std::uint64_t fatSectors = fatBytes / bytesPerSector;
  const std::uint32_t reserved = BootU16(fat::boot::kReservedSectors);

  std::uint64_t firstRead = 0;
  std::uint64_t secondRead = 0;
  std::vector<std::uint8_t> first = ReadFatCopy(reserved, fatBytes, &firstRead);
  if (first.empty()) Log().Error("Unable to allocate memory for FAT TABLE");
  // The second copy is read whatever the number of copies says.
  std::vector<std::uint8_t> second =
      first.empty() ? std::vector<std::uint8_t>{} : ReadFatCopy(reserved + fatSectors, fatBytes, &secondRead);
  m_bFatUnreadable = !first.empty() && firstRead == 0 && secondRead == 0;
  // A table too large to be a FAT is kept at its largest plausible size, so
  // that the limits derived from it still fit in 32 bits.
  m_table.Load(static_cast<std::uint32_t>(std::min<std::uint64_t>(fatBytes, 0xFFFFFFFFu)),
               std::move(first), std::move(second));

  m_nDataStart = std::uint64_t{BootU8(fat::boot::kFatCount)} * fatSectors + reserved;
  m_nVolumeStartSector = m_nDataStart * m_nSectorScale;
  m_nVolumeSectors = BootU32(fat::boot::kTotalSectors32);
  m_nVolumeBytes = bytesPerSector * m_nVolumeSectors;
  m_nRootId = BootU32(fat::boot::kRootCluster);

  Log().Message("volume parameters:");
  Log().Format("m_nLastCluster -> %u", LastCluster());
  Log().Format("    FAT size: %u bytes", m_table.FatBytes());
  Log().Format("    data start: sector %u", static_cast<unsigned>(m_nDataStart));
  Log().Format("    disk size: %u sectors", static_cast<unsigned>(m_nVolumeSectors));
  Log().Format("    root cluster: %u", m_nRootId);
  m_bVolumeReady = true;
  return 0;
}

DirectoryHandle CFAT32Parser::OpenRootDirectory() {
  m_nRootId = BootU32(fat::boot::kRootCluster);
  m_bRootUnreadable = false;
  if (!CheckGeometry()) return kInvalidHandle;
  // The root is read through an opened entry of its own: a directory entry
  // named "." whose chain starts at the root cluster.
  FatOpenedEntry root;
  root.entry.fill(' ');
  root.entry[0] = '.';
  root.entry[fat::entry::kAttributes] = fat::kAttrDirectory;
  Log().Message("reading root directory...");
  root.extents = BuildExtentList(m_nRootId).extents;
  std::vector<std::uint8_t> data;
  std::uint64_t sectorsRead = 0;
  if (ReadDataStream(root, data, &sectorsRead) != 0) {
    Log().Error("error reading root directory, return -1");
    return kInvalidHandle;
  }
  m_bRootUnreadable = sectorsRead == 0;
  Log().Message("ok");
  return InsertRootDirectory(std::move(data));
}

}  // namespace tv
