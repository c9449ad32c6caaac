#include "app/parser_factory.h"

#include "fat/fat12_parser.h"
#include "fat/fat32_parser.h"
#include "ntfs/ntfs_parser.h"

namespace tv {

std::unique_ptr<CFileSystemParser> CreateParser(std::uint8_t fsType, std::unique_ptr<CDiskDrive> drive,
                                                std::span<const std::uint8_t> bootSector) {
  switch (fsType) {
    case kFsNtfs:
      return std::make_unique<CNTFSParser>(std::move(drive), bootSector);
    case kFsFat12:
      return std::make_unique<CFAT12Parser>(std::move(drive), bootSector);
    case kFsFat16:
      return std::make_unique<CFAT16Parser>(std::move(drive), bootSector);
    case kFsFat32:
      return std::make_unique<CFAT32Parser>(std::move(drive), bootSector, 0);
    default:
      return nullptr;
  }
}

}  // namespace tv
