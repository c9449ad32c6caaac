// The parser over small volumes built in memory: the scan's tree assembly
// (parent climb, orphans, loops), damage levels, reading data across bad
// sectors, compressed units split over runs, attribute lists, and volumes
// the parser must refuse or survive.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "mini_volume.h"
#include "parser/break_flag.h"
#include "support/log_capture.h"

namespace tv {
namespace {

using testing::MiniVolume;
using testing::PackRun;
using testing::RecordBuilder;

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(seed + i * 31 + i / 512);
  return data;
}

// Every node of the tree as "path" (folders end in '\'), in tree order.
std::vector<std::string> Paths(const TreeNode& root) {
  std::vector<std::string> paths;
  std::function<void(const TreeNode&, const std::string&)> walk = [&](const TreeNode& node, const std::string& at) {
    for (const auto& child : node.children) {
      const std::string path = at + "\\" + child->name;
      paths.push_back(path + (child->IsDirectory() ? "\\" : ""));
      walk(*child, path);
    }
  };
  walk(root, "");
  return paths;
}

std::vector<std::uint8_t> ReadAll(CNTFSParser& parser, TreeNode& node, int& result) {
  const DirectoryHandle file = parser.OpenFileByNode(node);
  std::int32_t high = 0;
  std::vector<std::uint8_t> data(parser.GetFileSize(file, high));
  std::uint32_t read = 0;
  result = data.empty() ? 1 : parser.ReadFile(file, data.data(), static_cast<std::uint32_t>(data.size()), read);
  data.resize(read);
  parser.CloseObject(file);
  return data;
}

TreeNode* Find(TreeNode& root, std::uint32_t key) { return FindDescendantByKey(root, key); }

TEST(NtfsScan, ClimbsToUnvisitedParentsAndSharesOrphanFolders) {
  testing::LogCapture log;
  MiniVolume volume;
  // A deleted file whose live parent folder has a higher record number.
  volume.PutRecord(RecordBuilder(20, false).StandardInformation().FileName(30, u"report.doc").ResidentData({1, 2, 3}), 20);
  volume.PutRecord(RecordBuilder(30, true, true).StandardInformation(0x10).FileName(5, u"Docs", 1, true).EmptyIndexRoot(), 30);
  // Two deleted files whose parent lies beyond the MFT.
  volume.PutRecord(RecordBuilder(21, false).FileName(1000, u"lost1.txt"), 21);
  volume.PutRecord(RecordBuilder(22, false).FileName(1000, u"lost2.txt"), 22);
  // A file whose parent number names a file.
  volume.PutRecord(RecordBuilder(23, true).FileName(5, u"plain.txt"), 23);
  volume.PutRecord(RecordBuilder(24, false).FileName(23, u"under_file.txt"), 24);

  for (const bool attachOrphans : {false, true}) {
    auto parser = volume.Parse();
    parser->m_bAttachOrphans = attachOrphans ? 1 : 0;
    ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
    std::vector<std::string> expected = {"\\Docs\\", "\\Docs\\report.doc", "\\plain.txt"};
    if (attachOrphans) {
      expected.insert(expected.end(), {"\\$$folder_1000\\", "\\$$folder_1000\\lost1.txt", "\\$$folder_1000\\lost2.txt",
                                       "\\$$folder_23\\", "\\$$folder_23\\under_file.txt"});
    }
    EXPECT_EQ(Paths(parser->Root()), expected) << "attach orphans " << attachOrphans;
    EXPECT_EQ(parser->LastScanCounters().normalFolders, 1u);
    EXPECT_EQ(parser->LastScanCounters().normalFiles, 1u);
    EXPECT_EQ(parser->LastScanCounters().totalFiles, 5u);
  }
}

TEST(NtfsScan, ParentLoopsNeverMakeANodeItsOwnAncestor) {
  testing::LogCapture log;
  MiniVolume volume;
  // 40 and 41 name each other as parent; 43 names itself; 42 lies below 40.
  volume.PutRecord(RecordBuilder(40, false, true).FileName(41, u"a", 1, true).EmptyIndexRoot(), 40);
  volume.PutRecord(RecordBuilder(41, false, true).FileName(40, u"b", 1, true).EmptyIndexRoot(), 41);
  volume.PutRecord(RecordBuilder(42, false).FileName(40, u"c.txt"), 42);
  volume.PutRecord(RecordBuilder(43, false, true).FileName(43, u"self", 1, true).EmptyIndexRoot(), 43);
  auto parser = volume.Parse();
  parser->m_bAttachOrphans = 1;
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);

  for (const std::uint32_t key : {40u, 41u, 42u, 43u}) {
    const TreeNode* node = Find(parser->Root(), key);
    ASSERT_NE(node, nullptr) << key;
    int depth = 0;
    for (const TreeNode* up = node->parent; up != nullptr; up = up->parent) {
      ASSERT_NE(up, node) << key << " is its own ancestor";
      ASSERT_LT(++depth, 10);
    }
  }
  // The loop is cut where it closes; c.txt stays under its folder a.
  EXPECT_EQ(Find(parser->Root(), 42)->parent->name, "a");
}

TEST(NtfsScan, OnlyNamesTheNarrowFormCannotGiveBackKeepTheirUtf16Form) {
  struct NameCase {
    std::uint32_t record;
    std::u16string stored;
    std::string narrow;
    std::u16string wide;  // empty: the node keeps no UTF-16 form
  };
  const NameCase cases[] = {
      {20, u"plain.txt", "plain.txt", u""},
      {21, u"\u00FCbersicht_der_l\u00E4nder_2024.txt", "\xC3\xBC" "bersicht_der_l\xC3\xA4nder_2024.txt", u""},
      {22, u"a\xD83D" u"b.txt", "a\xEF\xBF\xBD" "b.txt", u"a\xD83D" u"b.txt"},
  };
  testing::LogCapture log;
  MiniVolume volume;
  for (const NameCase& c : cases) volume.PutRecord(RecordBuilder(c.record, false).FileName(5, c.stored), c.record);
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  for (const NameCase& c : cases) {
    const TreeNode* node = Find(parser->Root(), c.record);
    ASSERT_NE(node, nullptr) << c.narrow;
    EXPECT_EQ(node->name, c.narrow);
    EXPECT_EQ(node->WideName(), c.wide) << c.narrow;
    EXPECT_LT(node->name.capacity(), 2 * c.narrow.size()) << c.narrow;
  }
}

TEST(NtfsScan, DamageLevelCountsAllocatedRunsOnly) {
  testing::LogCapture log;
  MiniVolume volume;
  // 10 clusters at 40, three of them taken since: 0.3.
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"partly.bin").NonResidentData(PackRun(10, 40), 40960), 20);
  for (std::uint32_t c : {40u, 41u, 42u}) volume.MarkUsed(c);
  // Free clusters: intact.
  volume.PutRecord(RecordBuilder(21, false).FileName(5, u"intact.bin").NonResidentData(PackRun(4, 60), 16384), 21);
  // Every cluster taken.
  volume.PutRecord(RecordBuilder(22, false).FileName(5, u"gone.bin").NonResidentData(PackRun(2, 70), 8192), 22);
  volume.MarkUsed(70);
  volume.MarkUsed(71);
  // Only sparse runs, and sparse runs around free data: intact.
  volume.PutRecord(RecordBuilder(23, false).FileName(5, u"holes.bin").NonResidentData(PackRun(8, 0), 32768, 0x8000), 23);
  volume.PutRecord(RecordBuilder(24, false).FileName(5, u"mixed.bin")
                       .NonResidentData(Concat({PackRun(4, 0), PackRun(2, 80), PackRun(4, 0)}), 40960, 0x8000),
                   24);
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  const std::vector<std::pair<std::uint32_t, const char*>> expected = {
      {20, "Average"}, {21, "Good"}, {22, "Poor"}, {23, "Good"}, {24, "Good"}};
  for (const auto& [key, condition] : expected) {
    EXPECT_STREQ(ConditionLabel(*Find(parser->Root(), key)), condition) << key;
  }
  EXPECT_FLOAT_EQ(Find(parser->Root(), 20)->damageLevel, 0.3f);
}

TEST(NtfsScan, ChainsLeftOutOfTheTreeAreFreedWhole) {
  testing::LogCapture log;
  MiniVolume volume;
  // Folder 40 hangs under a wiped record (41), so it and what it holds stay
  // out of the tree; the file 42 in it comes later in the table than 40.
  volume.PutRecord(RecordBuilder(40, false, true).FileName(41, u"lost", 1, true).EmptyIndexRoot(), 40);
  volume.PutRecord(RecordBuilder(42, false).FileName(40, u"inside.txt"), 42);
  volume.PutRecord(RecordBuilder(43, false, true).FileName(40, u"sub", 1, true).EmptyIndexRoot(), 43);
  volume.PutRecord(RecordBuilder(44, false).FileName(43, u"deeper.txt"), 44);
  volume.PutRecord(RecordBuilder(45, false).FileName(5, u"kept.txt"), 45);
  for (const bool attachOrphans : {false, true}) {
    auto parser = volume.Parse();
    parser->m_bAttachOrphans = attachOrphans ? 1 : 0;
    ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
    EXPECT_EQ(Paths(parser->Root()), std::vector<std::string>{"\\kept.txt"}) << "attach orphans " << attachOrphans;
  }
}

TEST(NtfsScan, DataSizeBeyondTheRunsIsCutToThemAndRated) {
  struct Case {
    const char* name;
    std::uint32_t record;
    std::uint64_t size;       // what the node shows and a read gives
    const char* condition;
  };
  testing::LogCapture log;
  MiniVolume volume;
  const std::vector<std::uint8_t> data = Pattern(2 * 4096, 4);
  volume.PutCluster(40, data);
  // Two free clusters, a size of ten and a bit.
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"short.bin").NonResidentData(PackRun(2, 40), 10 * 4096 + 5), 20);
  // The same through an attribute list.
  volume.PutRecord(RecordBuilder(21, false).StandardInformation().FileName(5, u"listed.bin").AttributeList({{0x80, 22}}), 21);
  volume.PutRecord(RecordBuilder(22, false).BaseRecord(21).NonResidentData(PackRun(2, 40), 10 * 4096 + 5), 22);
  // A run list that ends at once (a header too wide to decode).
  volume.PutRecord(RecordBuilder(23, false).FileName(5, u"no_runs.bin").NonResidentData({0x90}, 3 * 4096), 23);
  // Two clusters taken since, the size beyond them.
  volume.PutRecord(RecordBuilder(24, false).FileName(5, u"taken.bin").NonResidentData(PackRun(2, 50), 5 * 4096), 24);
  volume.MarkUsed(50);
  volume.MarkUsed(51);
  // Sparse and compressed files whose runs cover their size are left alone.
  volume.PutRecord(RecordBuilder(25, false).FileName(5, u"sparse.bin")
                       .NonResidentData(Concat({PackRun(1, 40), PackRun(15, 0)}), 16 * 4096 - 7, 0x8000),
                   25);
  volume.PutRecord(RecordBuilder(26, false).FileName(5, u"packed.bin")
                       .NonResidentData(Concat({PackRun(3, 60), PackRun(13, 0)}), 9 * 4096, 0x0001),
                   26);
  const Case cases[] = {
      {"non-resident", 20, 2 * 4096, "Average"}, {"attribute list", 21, 2 * 4096, "Average"},
      {"no runs", 23, 0, "Poor"},                {"clusters taken", 24, 2 * 4096, "Poor"},
      {"sparse", 25, 16 * 4096 - 7, "Good"},     {"compressed", 26, 9 * 4096, "Good"},
  };
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TreeNode* node = Find(parser->Root(), c.record);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->size, c.size);
    EXPECT_STREQ(ConditionLabel(*node), c.condition);
    const DirectoryHandle file = parser->OpenFileByNode(*node);
    std::int32_t high = -1;
    EXPECT_EQ(parser->GetFileSize(file, high), c.size);
    EXPECT_EQ(high, 0);
    parser->CloseObject(file);
  }
  int result = 0;
  EXPECT_EQ(ReadAll(*parser, *Find(parser->Root(), 20), result), data);
  EXPECT_EQ(result, 1);
  const auto lines = log.Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("record 20: the data size 40965 is more than its runs hold; cut to 8192 bytes") != std::string::npos;
  }));
}

TEST(NtfsScan, ClustersPastTheEndOfTheDeviceAreLost) {
  testing::LogCapture log;
  MiniVolume volume;
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"before.bin").NonResidentData(PackRun(4, 60), 4 * 4096), 20);
  volume.PutRecord(RecordBuilder(21, false).FileName(5, u"across.bin").NonResidentData(PackRun(4, 98), 4 * 4096), 21);
  volume.PutRecord(RecordBuilder(22, false).FileName(5, u"beyond.bin").NonResidentData(PackRun(2, 120), 2 * 4096), 22);
  // The image ends inside cluster 99: its first sector is still there.
  volume.Image().resize(99 * 4096 + 512);
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  const std::vector<std::pair<std::uint32_t, const char*>> expected = {{20, "Good"}, {21, "Average"}, {22, "Poor"}};
  for (const auto& [key, condition] : expected) {
    EXPECT_STREQ(ConditionLabel(*Find(parser->Root(), key)), condition) << key;
  }
  EXPECT_FLOAT_EQ(Find(parser->Root(), 21)->damageLevel, 0.5f);
}

TEST(NtfsData, ReadGoesOnPastUnreadableSectorsAndSaysSo) {
  testing::LogCapture log;
  MiniVolume volume;
  const std::vector<std::uint8_t> data = Pattern(3 * 4096, 5);
  volume.PutCluster(40, data);
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"f.bin").NonResidentData(PackRun(3, 40), data.size()), 20);
  // The second sector of the second cluster cannot be read.
  const std::uint64_t bad = 41 * 8 + 1;
  auto parser = volume.Parse({bad});
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  int result = 1;
  const std::vector<std::uint8_t> read = ReadAll(*parser, *Find(parser->Root(), 20), result);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(read.size(), data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    const bool inBad = i / 512 == bad - 40 * 8;
    ASSERT_EQ(read[i], inBad ? 0 : data[i]) << "byte " << i;
  }
  const auto lines = log.Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("could not all be read") != std::string::npos;
  }));
}

TEST(NtfsData, SparseRunsReadAsZerosAndUnalignedReadsStayInPlace) {
  testing::LogCapture log;
  MiniVolume volume;
  const std::vector<std::uint8_t> first = Pattern(4096, 1);
  const std::vector<std::uint8_t> last = Pattern(4096, 2);
  volume.PutCluster(40, first);
  volume.PutCluster(50, last);
  volume.PutRecord(RecordBuilder(20, true).FileName(5, u"s.bin")
                       .NonResidentData(Concat({PackRun(1, 40), PackRun(2, 0), PackRun(1, 10)}), 4 * 4096 - 100, 0x8000),
                   20);
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  const DirectoryHandle file = parser->OpenFileByNode(*Find(parser->Root(), 20));
  std::vector<std::uint8_t> all;
  // Odd-sized pieces: every read after the first starts inside a sector.
  for (;;) {
    std::vector<std::uint8_t> piece(1000);
    std::uint32_t read = 0;
    ASSERT_NE(parser->ReadFile(file, piece.data(), 1000, read), 0);
    if (read == 0) break;
    all.insert(all.end(), piece.begin(), piece.begin() + read);
  }
  std::vector<std::uint8_t> expected = Concat({first, std::vector<std::uint8_t>(8192, 0), last});
  expected.resize(4 * 4096 - 100);
  EXPECT_EQ(all, expected);
  parser->CloseObject(file);
}

TEST(NtfsData, CompressedUnitSplitOverTwoRunsIsJoinedFirst) {
  testing::LogCapture log;
  MiniVolume volume;
  // One compression unit: an uncompressed chunk of 4096 bytes, then a
  // compressed chunk giving "ab" repeated over 4096 bytes (two literals and
  // one back-reference of displacement 2, length 4094). The 4105 bytes lie
  // in two clusters far apart; the other 14 clusters of the unit are sparse.
  const std::vector<std::uint8_t> raw = Pattern(4096, 3);
  std::vector<std::uint8_t> stream{0xFF, 0x3F};
  stream.insert(stream.end(), raw.begin(), raw.end());
  stream.insert(stream.end(), {0x04, 0xB0, 0x04, 'a', 'b', 0xFB, 0x1F});
  stream.resize(2 * 4096, 0);
  volume.PutCluster(40, std::vector<std::uint8_t>(stream.begin(), stream.begin() + 4096));
  volume.PutCluster(60, std::vector<std::uint8_t>(stream.begin() + 4096, stream.end()));
  std::vector<std::uint8_t> expected = raw;
  for (std::size_t i = 0; i < 4096; ++i) expected.push_back(i % 2 == 0 ? 'a' : 'b');
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"c.txt")
                       .NonResidentData(Concat({PackRun(1, 40), PackRun(1, 20), PackRun(14, 0)}), expected.size(), 0x0001),
                   20);
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  int result = 0;
  EXPECT_EQ(ReadAll(*parser, *Find(parser->Root(), 20), result), expected);
  EXPECT_EQ(result, 1);
}

TEST(NtfsData, ExtensionRecordNamedTwiceGivesItsRunsOnce) {
  testing::LogCapture log;
  MiniVolume volume;
  const std::vector<std::uint8_t> data = Pattern(2 * 4096, 9);
  volume.PutCluster(40, data);
  volume.PutRecord(RecordBuilder(20, false).StandardInformation().FileName(5, u"listed.bin")
                       .AttributeList({{0x10, 20}, {0x30, 20}, {0x80, 25}, {0x80, 25}}),
                   20);
  volume.PutRecord(RecordBuilder(25, false).BaseRecord(20).NonResidentData(PackRun(2, 40), data.size()), 25);
  // An extension record that now belongs to another file is not used.
  volume.PutRecord(RecordBuilder(21, false).StandardInformation().FileName(5, u"stolen.bin").AttributeList({{0x80, 26}}), 21);
  volume.PutRecord(RecordBuilder(26, true).BaseRecord(30).NonResidentData(PackRun(1, 50), 4096), 26);
  auto parser = volume.Parse();
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  TreeNode* listed = Find(parser->Root(), 20);
  ASSERT_NE(listed, nullptr);
  EXPECT_EQ(listed->size, data.size());
  int result = 0;
  EXPECT_EQ(ReadAll(*parser, *listed, result), data);
  EXPECT_EQ(Find(parser->Root(), 21)->size, 0u);
}

TEST(NtfsVolume, UnsupportedGeometryIsRefused) {
  struct Case {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
  };
  for (const Case& c : {Case{"4096-byte sectors", 0x0C, 0x10}, Case{"4096-byte records", 0x40, 0xF4},
                        Case{"no sectors per cluster", 0x0D, 0}}) {
    testing::LogCapture log;
    MiniVolume volume;
    volume.Image()[c.offset] = c.value;
    auto parser = volume.Parse();
    EXPECT_EQ(parser->IsMftDamaged(), 1) << c.name;
    EXPECT_EQ(parser->MftRecordCount(), 0u) << c.name;
    const auto lines = log.Lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("unsupported volume") != std::string::npos;
    })) << c.name;
  }
}

TEST(NtfsVolume, DamagedVolumesGiveResultsNotCrashes) {
  testing::LogCapture log;
  {
    MiniVolume volume;
    volume.PutRawRecord(0, std::vector<std::uint8_t>(1024, 0));
    auto parser = volume.Parse();
    EXPECT_EQ(parser->IsMftDamaged(), 1);
    EXPECT_EQ(parser->AssembleDeletedTree(100), 0);
    EXPECT_TRUE(parser->Root().children.empty());
  }
  {
    // Records of random bytes, with and without a signature, and a file
    // whose runs point far past the volume's end.
    MiniVolume volume;
    std::mt19937 random(7);
    for (std::uint32_t r = 16; r < MiniVolume::kRecords; ++r) {
      std::vector<std::uint8_t> bytes(1024);
      for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
      if (r % 2 == 0) std::copy_n("FILE", 4, bytes.begin());
      volume.PutRawRecord(r, bytes);
    }
    volume.PutRecord(RecordBuilder(20, false).FileName(5, u"far.bin").NonResidentData(PackRun(4, 1000000), 16384), 20);
    auto parser = volume.Parse();
    EXPECT_EQ(parser->AssembleDeletedTree(100), 0);
    TreeNode* far = Find(parser->Root(), 20);
    ASSERT_NE(far, nullptr);
    int result = 1;
    const std::vector<std::uint8_t> read = ReadAll(*parser, *far, result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(std::all_of(read.begin(), read.end(), [](std::uint8_t b) { return b == 0; }));
  }
  {
    // The image ends inside the MFT: the records beyond it cannot be read.
    MiniVolume volume;
    volume.PutRecord(RecordBuilder(20, false).FileName(5, u"kept.txt").ResidentData({'k'}), 20);
    volume.Image().resize(4 * 4096 + 30 * 1024);
    auto parser = volume.Parse();
    EXPECT_EQ(parser->AssembleDeletedTree(100), 0);
    EXPECT_NE(Find(parser->Root(), 20), nullptr);
  }
}

TEST(NtfsVolume, MftRecordsPastTheEndOfTheDeviceAreLeftOut) {
  testing::LogCapture log;
  MiniVolume volume;
  // The boot sector claims 2^24 clusters and the MFT 2^20 of them from
  // cluster 4; the device holds 256 clusters, so records 0 to 1007 at most.
  const std::uint64_t claimedSectors = std::uint64_t{1} << 27;
  for (std::size_t i = 0; i < 8; ++i) volume.Image()[0x28 + i] = static_cast<std::uint8_t>(claimedSectors >> (8 * i));
  volume.PutRecord(RecordBuilder(0, true).StandardInformation(0x06).FileName(5, u"$MFT", 3)
                       .NonResidentData(PackRun(std::uint64_t{1} << 20, 4), std::uint64_t{1} << 32),
                   0);
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"kept.txt").ResidentData({'k'}), 20);
  auto parser = volume.Parse();
  EXPECT_EQ(parser->MftRecordCount(), (MiniVolume::kClusters - 4) * 4);
  EXPECT_EQ(parser->MftSectors().back(), (MiniVolume::kClusters * 8) - 2);
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  EXPECT_NE(Find(parser->Root(), 20), nullptr);
  const auto lines = log.Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("MFT run at cluster 4 of 1048576 clusters cut to the 252 the device holds") != std::string::npos;
  }));
}

TEST(NtfsScan, BreakFlagStopsTheScan) {
  testing::LogCapture log;
  MiniVolume volume;
  volume.PutRecord(RecordBuilder(20, false).FileName(5, u"a.txt"), 20);
  auto parser = volume.Parse();
  BreakFlag().store(1);
  EXPECT_EQ(parser->AssembleDeletedTree(100), ntfs::kStatusStopped);
  BreakFlag().store(0);
  EXPECT_EQ(parser->AssembleDeletedTree(100), 0);
  EXPECT_NE(Find(parser->Root(), 20), nullptr);
}

}  // namespace
}  // namespace tv
