#include <cstring>

#include "log/log.h"
#include "parser/file_system_parser.h"

namespace tv {
namespace {

// True when the eight bytes at `offset` read `text` exactly (blank-padded).
bool FieldIs(std::span<const std::uint8_t> sector, std::size_t offset, const char (&text)[9]) {
  if (sector.size() < offset + 8) return false;
  return std::memcmp(sector.data() + offset, text, 8) == 0;
}

constexpr std::size_t kOemNameOffset = 3;
// File-system type text of the FAT12/16 boot sector, and of the FAT32 one.
constexpr std::size_t kFatTypeOffset = 54;
constexpr std::size_t kFat32TypeOffset = 82;

}  // namespace

std::uint8_t DetectFileSystem(std::span<const std::uint8_t> bootSector) {
  // The first match decides, so a FAT32 sector whose offset 54 happens to
  // read "FAT16   " is taken as FAT16. Every other field is left to the
  // chosen parser's own checks.
  if (FieldIs(bootSector, kOemNameOffset, "NTFS    ")) return kFsNtfs;
  if (FieldIs(bootSector, kFatTypeOffset, "FAT12   ")) return kFsFat12;
  if (FieldIs(bootSector, kFatTypeOffset, "FAT     ")) return kFsFat12;
  if (FieldIs(bootSector, kFatTypeOffset, "FAT16   ")) return kFsFat16;
  if (FieldIs(bootSector, kFat32TypeOffset, "FAT32   ")) return kFsFat32;
  return kFsUnknown;
}

const char* FileSystemName(std::uint8_t fsType) {
  switch (fsType) {
    case kFsFat12: return "FAT12";
    case kFsFat16: return "FAT16";
    case kFsNtfs: return "NTFS";
    case kFsFat32: return "FAT32";
    default: return nullptr;
  }
}

void LogDetectedFileSystem(std::uint8_t fsType) {
  switch (fsType) {
    case kFsFat12: Log().Message("Drive FS is FAT12"); break;
    case kFsFat16: Log().Message("Drive FS is FAT16"); break;
    case kFsNtfs: Log().Message("Drive FS is NTFS"); break;
    case kFsFat32: Log().Message("Drive FS is FAT32"); break;
    default: break;
  }
}

}  // namespace tv
