// The file allocation table of a FAT volume: the per-variant decoding of its
// entries and the walks along cluster chains that the parsers build on.
#pragma once

#include <cstdint>
#include <vector>

#include "disk/le_reader.h"

namespace tv::fat {

// One run of consecutive clusters of a chain.
struct Extent {
  std::int64_t count = 0;
  std::uint64_t first = 0;

  bool operator==(const Extent&) const = default;
};

struct ExtentList {
  std::vector<Extent> extents;
  std::uint64_t clusterCount = 0;
};

// What sets FAT12, FAT16 and FAT32 apart in their tables. Each variant is
// described once, here, and the parsers pick one of the three.
struct FatVariant {
  std::uint8_t fsType;
  // End-of-chain threshold: a successor at or above it ends a chain.
  std::uint32_t lastCluster;
  // Bytes per table entry as a fraction (FAT12 packs two entries in 3 bytes).
  std::uint32_t entryBytesNumerator;
  std::uint32_t entryBytesDenominator;
  // Entries at the head of a FAT12/16 table that the largest accepted
  // successor leaves out (FAT32 counts them in).
  std::uint32_t reservedEntries;
  // Entry `index` of a table; the caller has checked that it lies in the table.
  std::uint32_t (*decode)(LeReader& table, std::uint32_t index);
  // FAT32 keeps the high half of a first cluster at entry offset 20 and
  // compares its two table copies.
  bool wideClusterNumbers;
  // "FAT12", "FAT16" or "FAT32".
  const char* name;
};

extern const FatVariant kFat12Variant;
extern const FatVariant kFat16Variant;
extern const FatVariant kFat32Variant;

enum class FatCopy { First, Second };

class FatTable {
 public:
  explicit FatTable(const FatVariant& variant) : m_variant(&variant) {}

  const FatVariant& Variant() const { return *m_variant; }
  // Changes the variant; the size of a copy stays, the derived limits follow.
  void SetVariant(const FatVariant& variant);

  // Takes the size of one copy and the copies as read. An empty `first`
  // stands for a copy that could not be allocated; an empty `second` makes
  // both copies the same buffer (FAT12/16 read only the first copy).
  void Load(std::uint32_t fatBytes, std::vector<std::uint8_t> first,
            std::vector<std::uint8_t> second);

  std::uint32_t FatBytes() const { return m_nFatBytes; }
  std::uint32_t LastCluster() const { return m_variant->lastCluster; }
  // The largest value accepted as a chain successor.
  std::uint32_t MaxCluster() const { return m_nMaxCluster; }
  bool HasFirstCopy() const { return !m_firstFat.empty(); }

  // Entry `index` of a copy; 0 (free) for an index beyond the table or a
  // copy that is missing.
  std::uint32_t Entry(FatCopy copy, std::uint32_t index) const;

  // Counts the clusters of the contiguous run that starts at `start`; `next`
  // gets the successor that ends the run (untouched when `start` is at or
  // above the end-of-chain threshold). On FAT32 both copies are compared:
  // the second wins when it ends the chain or continues the run.
  std::uint32_t CountRun(std::uint32_t start, std::uint32_t& next) const;

  // The chain from `start` as runs. Without a first copy the chain is the
  // start cluster alone. Stops when the extents would cover 2 GiB of
  // `clusterBytes` clusters or when a run starts where an earlier one did
  // (a chain that loops).
  ExtentList BuildExtentList(std::uint32_t start, std::uint32_t clusterBytes) const;

  // The chain from `start` cluster by cluster along the first copy, at most
  // `maxSuccessors` clusters after the start. False (list untouched) when
  // `start` is below 2 or above the end-of-chain threshold.
  bool GetClusters(std::uint32_t start, std::uint32_t maxSuccessors,
                   std::vector<std::uint32_t>& list) const;

 private:
  const std::vector<std::uint8_t>& Copy(FatCopy copy) const;
  std::uint64_t EntryCount() const;

  const FatVariant* m_variant;
  std::uint32_t m_nFatBytes = 0;
  std::uint32_t m_nMaxCluster = 0;
  std::vector<std::uint8_t> m_firstFat;
  std::vector<std::uint8_t> m_secondFat;
};

}  // namespace tv::fat
