// The FAT12 and FAT16 parsers: a fixed-size root directory before the data
// area and a table of 12- or 16-bit entries, of which only the first copy is
// read.
#pragma once

#include "fat/fat_parser.h"

namespace tv {

class CFAT12Parser : public CFATParser {
 public:
  CFAT12Parser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector);

  int PrepareVolume() override;
  DirectoryHandle OpenRootDirectory() override;
  // An entry whose first cluster is 0 (a ".." next to the root) opens the
  // root directory; any other entry opens as on every FAT volume.
  DirectoryHandle OpenDirectoryByRef(const FindRecord& find) override;
};

// Prepared twice: once as FAT12 while its FAT12 base is built, then again
// with its own constants, so the volume parameters appear twice in the log.
class CFAT16Parser : public CFAT12Parser {
 public:
  CFAT16Parser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector);
};

}  // namespace tv
