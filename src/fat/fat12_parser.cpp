#include "fat/fat12_parser.h"

#include <optional>

#include "disk/le_reader.h"
#include "log/log.h"

namespace tv {

CFAT12Parser::CFAT12Parser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector)
    : CFATParser(std::move(drive), bootSector, fat::kFat12Variant) {
  Initialise();
}

CFAT16Parser::CFAT16Parser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector)
    : CFAT12Parser(std::move(drive), bootSector) {
  m_nFsType = fat::kFat16Variant.fsType;
  m_table.SetVariant(fat::kFat16Variant);
  // The root opened by the first preparation is closed first, so that the
  // second one takes its handle again.
  CloseObject(m_hRootDirectory);
  m_bVolumeReady = false;
  Initialise();
}

int CFAT12Parser::PrepareVolume() {
  m_bFatUnreadable = false;
  if (!CheckGeometry()) return 1;
  const std::uint32_t bytesPerSector = m_nBytesPerSector;
  const std::uint32_t fatBytes = std::uint32_t{BootU16(fat::boot::kSectorsPerFat16)} * bytesPerSector;
  if (fatBytes == 0) return 1;

  const std::uint32_t reserved = BootU16(fat::boot::kReservedSectors);
  std::uint64_t fatSectorsRead = 0;
  std::vector<std::uint8_t> table = ReadFatCopy(reserved, fatBytes, &fatSectorsRead);
  if (table.empty()) Log().Error("Unable to allocate memory for FAT TABLE");
  m_bFatUnreadable = !table.empty() && fatSectorsRead == 0;
  m_table.Load(fatBytes, std::move(table), {});

  const std::uint32_t rootBytes = std::uint32_t{BootU16(fat::boot::kRootEntryCount)} * fat::kEntrySize;
  m_nDataStart = std::uint64_t{BootU8(fat::boot::kFatCount)} * fatBytes / bytesPerSector +
                 rootBytes / bytesPerSector + reserved;
  m_nVolumeStartSector = m_nDataStart * m_nSectorScale;
  const std::uint32_t total32 = BootU32(fat::boot::kTotalSectors32);
  m_nVolumeSectors = total32 != 0 ? total32 : BootU16(fat::boot::kTotalSectors16);
  m_nVolumeBytes = bytesPerSector * m_nVolumeSectors;

  Log().Message("volume parameters:");
  Log().Format("    FAT size: %u bytes", fatBytes);
  Log().Format("    data start: sector %u", static_cast<unsigned>(m_nDataStart));
  Log().Format("    disk size: %u sectors", static_cast<unsigned>(m_nVolumeSectors));
  Log().Format("    root directory size: %u bytes", rootBytes);
  m_bVolumeReady = true;
  return 0;
}

DirectoryHandle CFAT12Parser::OpenRootDirectory() {
  m_nRootId = 0;
  m_bRootUnreadable = false;
  if (!CheckGeometry()) return kInvalidHandle;
  const std::uint32_t rootBytes = std::uint32_t{BootU16(fat::boot::kRootEntryCount)} * fat::kEntrySize;
  std::vector<std::uint8_t> data(rootBytes, 0);
  Log().Message("Reading root directory...");
  const std::uint64_t rootSector = std::uint64_t{BootU8(fat::boot::kFatCount)} *
                                       BootU16(fat::boot::kSectorsPerFat16) +
                                   BootU16(fat::boot::kReservedSectors);
  std::uint64_t sectorsRead = 0;
  if (ReadVolumeSectors(rootSector, data, &sectorsRead) == kReadOk) {
    Log().Message("Reading FAT - ok");
  } else {
    Log().Error("Where are no valid sectors in root directory!");
  }
  m_bRootUnreadable = !data.empty() && sectorsRead == 0;
  return InsertRootDirectory(std::move(data));
}

DirectoryHandle CFAT12Parser::OpenDirectoryByRef(const FindRecord& find) {
  if (GetDirectoryRecord(find.directory) == nullptr) {
    Log().Format("CFAT12Parser::OpenDirectoryByRef() - invalid handle value %u. return -1",
                 static_cast<unsigned>(find.directory));
    return kInvalidHandle;
  }
  const std::optional<std::size_t> shortEntry = ShortEntryOffset(find);
  if (!shortEntry) {
    Log().Error("CFAT12Parser::OpenDirectoryByRef() - error reading long name, return -1");
    return kInvalidHandle;
  }
  LeReader entry(DirectoryData(find.directory).subspan(*shortEntry, fat::kEntrySize));
  if (entry.U16(fat::entry::kClusterLow) != 0) return CFATParser::OpenDirectoryByRef(find);
  return OpenRootDirectory();
}

}  // namespace tv
