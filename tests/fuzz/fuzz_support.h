// What the fuzz targets share: a drive over the bytes libFuzzer hands in,
// and a bounded read of the files a scan found, done the way recovery reads
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ntfs/mini_volume.h"
#include "parser/file_system_parser.h"
#include "support/memory_drive.h"

namespace tv::fuzzing {

inline std::span<const std::uint8_t> Input(const std::uint8_t* data, std::size_t size) {
  return {data, size};
}

// A memory drive holding `image`, padded with zeros to whole sectors.
std::unique_ptr<testing::MemoryDrive> DriveOver(std::span<const std::uint8_t> image);

// The first 512 bytes of `image`, zero-filled when it is shorter.
std::vector<std::uint8_t> BootSectorOf(std::span<const std::uint8_t> image);

// A parser over the first `clusters` clusters of a mini volume, as if its
// image ended there: a fuzz target that only uses the front of the volume
// need not copy the whole of it for every input.
std::unique_ptr<CNTFSParser> ParseFront(testing::MiniVolume& volume, std::uint32_t clusters);

// Opens up to `maxFiles` file nodes of the tree below `root` (in tree order)
// through OpenFileByNode, as recovery does, and reads at most `maxBytes` of
// each in pieces.
void ReadSomeFiles(CFileSystemParser& parser, TreeNode& root, std::size_t maxFiles,
                   std::uint32_t maxBytes);

// Steps through a directory handle with the find operations and asks the
// parser everything it answers about each entry. Returns how many entries
// the walk met (at most `maxEntries`).
std::size_t WalkDirectory(CFileSystemParser& parser, DirectoryHandle directory, int skipDosNames,
                          std::size_t maxEntries);

}  // namespace tv::fuzzing
