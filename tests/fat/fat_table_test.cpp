// The allocation-table walks on tables built as bytes: entry decoding per
// variant, end-of-chain thresholds, the FAT32 copy comparison, and chains
// that loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fat/fat_table.h"
#include "support/log_capture.h"

namespace tv::fat {
namespace {

// A table of `entries` entries of one variant, all free, with setters.
struct TableBytes {
  const FatVariant* variant;
  std::vector<std::uint8_t> bytes;

  TableBytes(const FatVariant& v, std::uint32_t fatBytes) : variant(&v), bytes(fatBytes, 0) {}

  void Set(std::uint32_t index, std::uint32_t value) {
    if (variant == &kFat12Variant) {
      const std::size_t at = index * 3 / 2;
      std::uint16_t pair = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
      pair = (index & 1) ? static_cast<std::uint16_t>((pair & 0x000F) | (value << 4))
                         : static_cast<std::uint16_t>((pair & 0xF000) | value);
      bytes[at] = static_cast<std::uint8_t>(pair);
      bytes[at + 1] = static_cast<std::uint8_t>(pair >> 8);
    } else {
      const std::size_t width = variant == &kFat16Variant ? 2 : 4;
      for (std::size_t i = 0; i < width; ++i) bytes[index * width + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
  }
  // A chain: each cluster points at the next, the last at `end`.
  void Chain(const std::vector<std::uint32_t>& clusters, std::uint32_t end) {
    for (std::size_t i = 0; i < clusters.size(); ++i) Set(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : end);
  }
  FatTable Load(std::vector<std::uint8_t> second = {}) const {
    FatTable table(*variant);
    table.Load(static_cast<std::uint32_t>(bytes.size()), bytes, std::move(second));
    return table;
  }
};

TEST(FatTableTest, DecodesEntriesOfEachVariant) {
  // FAT12: entries 2 and 3 share bytes 3..5; the even one takes the low 12
  // bits of its u16, the odd one the high 12 bits.
  std::vector<std::uint8_t> fat12(512, 0);
  fat12[3] = 0x34;
  fat12[4] = 0x12 | 0x60;
  fat12[5] = 0xAB;
  FatTable t12(kFat12Variant);
  t12.Load(512, fat12, {});
  EXPECT_EQ(t12.Entry(FatCopy::First, 2), 0x034u | 0x200u);  // 0x234
  EXPECT_EQ(t12.Entry(FatCopy::First, 3), 0xAB7u);
  // 512 bytes hold 341 whole entries; entry 341 would need byte 512.
  EXPECT_EQ(t12.Entry(FatCopy::First, 341), 0u);
  EXPECT_EQ(t12.Entry(FatCopy::First, 100000), 0u);

  TableBytes t16(kFat16Variant, 512);
  t16.Set(255, 0xFFF7);
  EXPECT_EQ(t16.Load().Entry(FatCopy::First, 255), 0xFFF7u);
  EXPECT_EQ(t16.Load().Entry(FatCopy::First, 256), 0u);

  // FAT32 keeps the reserved upper four bits.
  TableBytes t32(kFat32Variant, 512);
  t32.Set(127, 0xF0000005);
  EXPECT_EQ(t32.Load().Entry(FatCopy::First, 127), 0xF0000005u);
  EXPECT_EQ(t32.Load().Entry(FatCopy::First, 128), 0u);
}

TEST(FatTableTest, DerivesLimitsFromTheTableSize) {
  struct Case {
    const FatVariant* variant;
    std::uint32_t fatBytes, maxCluster, lastCluster;
  };
  for (const Case& c : {Case{&kFat12Variant, 4608, 3070, 0xFF8}, Case{&kFat16Variant, 4096, 2046, 0xFFFF},
                        Case{&kFat32Variant, 4096, 1024, 0x0FFFFFFF}}) {
    SCOPED_TRACE(c.variant->name);
    FatTable table(*c.variant);
    table.Load(c.fatBytes, std::vector<std::uint8_t>(c.fatBytes), {});
    EXPECT_EQ(table.MaxCluster(), c.maxCluster);
    EXPECT_EQ(table.LastCluster(), c.lastCluster);
  }
}

// GetClusters and CountRun on one chain per case.
TEST(FatTableTest, ChainWalksEndWhereTheirRulesSay) {
  struct Case {
    const char* name;
    const FatVariant* variant;
    std::vector<std::uint32_t> chain;  // clusters, the last pointing at `end`
    std::uint32_t end;
    std::vector<std::uint32_t> clusters;  // what GetClusters gives
    std::uint32_t firstRun;               // CountRun from the chain's start
  };
  const std::vector<Case> cases{
      {"FAT12 0xFF8 ends the chain", &kFat12Variant, {5, 6, 7}, 0xFF8, {5, 6, 7}, 3},
      {"FAT12 0xFFF ends the chain", &kFat12Variant, {5, 6}, 0xFFF, {5, 6}, 2},
      // A value above the table's largest cluster but below the threshold is
      // taken as a cluster by GetClusters; CountRun stops before it.
      {"FAT12 0xFF7 is appended", &kFat12Variant, {5, 6}, 0xFF7, {5, 6, 0xFF7}, 2},
      {"FAT16 0xFFF8 is appended", &kFat16Variant, {5, 6}, 0xFFF8, {5, 6, 0xFFF8}, 2},
      {"FAT16 0xFFFF ends the chain", &kFat16Variant, {5, 6}, 0xFFFF, {5, 6}, 2},
      {"FAT32 0x0FFFFFF8 is appended", &kFat32Variant, {5, 6}, 0x0FFFFFF8, {5, 6, 0x0FFFFFF8}, 2},
      {"FAT32 0x0FFFFFFF ends the chain", &kFat32Variant, {5, 6}, 0x0FFFFFFF, {5, 6}, 2},
      {"a successor of 2 ends a walk", &kFat16Variant, {5, 6}, 2, {5, 6}, 2},
      {"a self-pointing entry ends both walks", &kFat16Variant, {5}, 5, {5}, 1},
      {"a jump ends the run, not the chain", &kFat16Variant, {5, 6, 9}, 0xFFFF, {5, 6, 9}, 2},
      {"a free start is the start alone", &kFat16Variant, {}, 0, {5}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableBytes bytes(*c.variant, 4608);
    bytes.Chain(c.chain, c.end);
    const FatTable table = bytes.Load();
    std::vector<std::uint32_t> list;
    ASSERT_TRUE(table.GetClusters(5, 1000, list));
    EXPECT_EQ(list, c.clusters);
    std::uint32_t next = 0;
    EXPECT_EQ(table.CountRun(5, next), c.firstRun);
  }
}

TEST(FatTableTest, GetClustersRefusesStartsOutsideTheData) {
  testing::LogCapture log;
  TableBytes bytes(kFat12Variant, 512);
  std::vector<std::uint32_t> list{99};
  const FatTable table = bytes.Load();
  EXPECT_FALSE(table.GetClusters(1, 10, list));
  EXPECT_FALSE(table.GetClusters(0xFF9, 10, list));
  EXPECT_EQ(list, std::vector<std::uint32_t>{99});
  EXPECT_EQ(log.Lines().back(), "GetClusters: m_nLastCluster -> 4088");
}

TEST(FatTableTest, Fat32ComparesItsTwoCopies) {
  struct Case {
    const char* name;
    std::uint32_t first, second;  // entry of cluster 10 in each copy
    std::uint32_t run;            // CountRun(10)
    std::uint32_t next;
    bool logged;
  };
  const std::vector<Case> cases{
      {"first free, second continues: the run continues", 0, 11, 2, 0x0FFFFFFF, true},
      {"second ends the chain there", 11, 0x0FFFFFFF, 1, 0x0FFFFFFF, true},
      {"any other disagreement: the first copy wins", 11, 40, 2, 0x0FFFFFFF, true},
      {"first free, second elsewhere: free wins", 0, 40, 1, 0, true},
      {"copies agree", 11, 11, 2, 0x0FFFFFFF, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::LogCapture log;
    TableBytes first(kFat32Variant, 512);
    TableBytes second(kFat32Variant, 512);
    first.Set(10, c.first);
    second.Set(10, c.second);
    first.Set(11, 0x0FFFFFFF);
    second.Set(11, 0x0FFFFFFF);
    const FatTable table = first.Load(second.bytes);
    std::uint32_t next = 12345;
    EXPECT_EQ(table.CountRun(10, next), c.run);
    EXPECT_EQ(next, c.next);
    const auto lines = log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "THE DIFFERENCE BETWEEN FAT TABLES FOUND"), c.logged ? 1 : 0);
  }
}

TEST(FatTableTest, BuildsRunsAndStopsOnLoops) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
    std::vector<Extent> extents;
  };
  const std::vector<Case> cases{
      {"two runs", {{5, 6}, {6, 9}, {9, 10}, {10, 0xFFFF}}, {{2, 5}, {2, 9}}},
      {"a loop back to the start", {{5, 6}, {6, 9}, {9, 5}}, {{2, 5}, {1, 9}}},
      // The loop re-enters the middle of the first run: the run that starts
      // there is taken once, then the walk sees it start again.
      {"a loop into the middle of a run", {{5, 6}, {6, 7}, {7, 6}}, {{3, 5}, {2, 6}}},
      {"a free start cluster", {}, {{1, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableBytes bytes(kFat16Variant, 512);
    for (auto [index, value] : c.entries) bytes.Set(index, value);
    const ExtentList list = bytes.Load().BuildExtentList(5, 512);
    EXPECT_EQ(list.extents, c.extents);
  }

  // Without a table the chain is its first cluster.
  FatTable missing(kFat32Variant);
  missing.Load(4096, {}, {});
  EXPECT_EQ(missing.BuildExtentList(77, 512).extents, (std::vector<Extent>{{1, 77}}));
  EXPECT_EQ(missing.Entry(FatCopy::First, 3), 0u);
}

}  // namespace
}  // namespace tv::fat
