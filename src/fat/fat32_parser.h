// The FAT32 parser: the root directory is a cluster chain, table entries are
// 32 bits wide, and both table copies are read and compared.
#pragma once

#include "fat/fat_parser.h"

namespace tv {

class CFAT32Parser : public CFATParser {
 public:
  // `reserved` is accepted as the parser factory passes it and has no effect.
  CFAT32Parser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector,
               int reserved = 0);

  int PrepareVolume() override;
  DirectoryHandle OpenRootDirectory() override;
};

}  // namespace tv
