// A small FAT12 or FAT16 volume built as bytes for the parser tests:
// 512-byte sectors and clusters, one FAT sector, a root directory of 16
// entries and 125 data clusters (2 to 126).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fat/fat12_parser.h"

namespace tv::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kTinySectors = 128;
inline constexpr std::uint32_t kTinyRootSector = 2;

// A short directory entry: an 11-character name field ("NAME    EXT"),
// attributes, first cluster, size and a creation date (0x52CF is
// 2021-06-15).
Bytes DirEntry(const std::string& name11, std::uint8_t attributes, std::uint32_t cluster,
               std::uint32_t size, std::uint16_t creationDate = 0x52CF);
// The "." and ".." entries that begin a directory's first cluster.
Bytes DotEntry(std::uint32_t cluster);
Bytes DotDotEntry(std::uint32_t parentCluster);

class TinyVolume {
 public:
  explicit TinyVolume(bool fat16 = false);

  void SetFat(std::uint32_t index, std::uint32_t value);
  void RootSlot(std::size_t slot, const Bytes& entry);
  void ClusterSlot(std::uint32_t cluster, std::size_t slot, const Bytes& entry);
  void FillCluster(std::uint32_t cluster, std::uint8_t value);
  // A directory in `cluster` holding "." and ".." then `entries`.
  void Directory(std::uint32_t cluster, std::uint32_t parentCluster, const std::vector<Bytes>& entries);
  Bytes& Image() { return m_image; }

  // A parser of the volume's type over the bytes as they are now.
  std::unique_ptr<CFAT12Parser> Parser(const std::set<std::uint64_t>& badSectors = {}) const;

 private:
  Bytes m_image;
  bool m_bFat16;
};

}  // namespace tv::testing
