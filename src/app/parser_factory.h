// Creates the parser for a detected file system: the one place that maps a
// type code to a parser class.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "disk/disk_drive.h"
#include "parser/file_system_parser.h"

namespace tv {

// The parser for `fsType` on the open `drive` (which it takes over), built
// with the volume's boot sector; null for a type no parser handles.
std::unique_ptr<CFileSystemParser> CreateParser(std::uint8_t fsType, std::unique_ptr<CDiskDrive> drive,
                                                std::span<const std::uint8_t> bootSector);

}  // namespace tv
