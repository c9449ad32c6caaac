// The FAT parser on small volumes built as bytes: enumeration, the entry
// check, the directory walk, the recovery cluster list and damaged volumes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fat/fat12_parser.h"
#include "parser/break_flag.h"
#include "support/log_capture.h"
#include "support/memory_drive.h"
#include "tiny_volume.h"

namespace tv {
namespace {

using testing::Bytes;
using testing::DirEntry;
using testing::TinyVolume;

bool Logged(const testing::LogCapture& log, const std::string& text) {
  const auto lines = log.Lines();
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// "name" of every node below `node`, indented by depth, deleted ones marked "*".
void Describe(const TreeNode& node, int depth, std::vector<std::string>& out) {
  for (const auto& child : node.children) {
    out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + child->name +
                  (child->deleted ? " *" : ""));
    Describe(*child, depth + 1, out);
  }
}

std::vector<std::string> Tree(CFATParser& parser) {
  std::vector<std::string> out;
  Describe(parser.Root(), 0, out);
  return out;
}

TEST(FatParserTest, EntryCheckGivesItsResultCodes) {
  TinyVolume volume;
  struct Case {
    const char* field;
    std::uint32_t cluster, size;
    int code;
  };
  const std::vector<Case> cases{
      {"GOOD    TXT", 5, 10, 0},
      {"BAD?    TXT", 5, 10, 1},       // a character no Windows name may hold
      {"NOCLUST TXT", 0, 1, 2},        // data but no first cluster
      {"BOTH?   TXT", 1, 1, 3},
      {"HUGE    BIN", 5, 70000, -1},   // larger than the 64 KiB volume
      {"HUGE?   BIN", 0, 70000, -1},   // the size decides, whatever else fails
      {"EMPTY   TXT", 0, 0, 0},        // an empty file needs no cluster
  };
  for (std::size_t i = 0; i < cases.size(); ++i) volume.RootSlot(i, DirEntry(cases[i].field, 0x20, cases[i].cluster, cases[i].size));
  auto parser = volume.Parser();

  std::vector<int> codes;
  FindRecord find;
  ASSERT_TRUE(parser->MoveFirstFile(parser->RootDirectory(), find, 0));
  do {
    FindData info;
    ASSERT_EQ(parser->ReadFindFileData(find, info), 0);
    std::string name = "unset";
    codes.push_back(parser->GetEntryName(find, info, &name, true));
    if (codes.back() == 1 || codes.back() == 3) {
      EXPECT_EQ(name, "");
    }
  } while (parser->MoveNextFile(find, 0));
  std::vector<int> expected;
  for (const Case& c : cases) expected.push_back(c.code);
  EXPECT_EQ(codes, expected);
}

TEST(FatParserTest, DirectoriesShorterThanOneEntryAreRefused) {
  testing::LogCapture log;
  TinyVolume volume;
  auto parser = volume.Parser();
  for (std::size_t size : {31u, 32u}) {
    auto record = std::make_unique<FatDirectoryRecord>();
    record->isDirectory = true;
    record->data = DirEntry("ONE     TXT", 0x20, 5, 1);
    record->data.resize(size);
    const DirectoryHandle handle = parser->InsertDirectoryRecord(std::move(record));
    FindRecord find;
    EXPECT_EQ(parser->MoveFirstFile(handle, find, 0), size == 32 ? 1 : 0) << size;
    EXPECT_EQ(parser->MoveNextFile(find, 0), 0);
  }
  EXPECT_TRUE(Logged(log, "CFATParser::MoveFirstFile() - directory size less than 32 bytes, return FALSE"));
}

TEST(FatParserTest, DeletedEntriesAreEnumeratedOnlyWhileScanning) {
  TinyVolume volume;
  volume.RootSlot(0, DirEntry("\xE5" "NE     TXT", 0x20, 5, 1));
  volume.RootSlot(1, DirEntry("\xE5" "WO     TXT", 0x20, 6, 1));
  auto parser = volume.Parser();
  FindRecord find;
  EXPECT_EQ(parser->MoveFirstFile(parser->RootDirectory(), find, 0), 0);

  parser->SetScanStarted(true);
  std::vector<std::string> names;
  ASSERT_TRUE(parser->MoveFirstFile(parser->RootDirectory(), find, 0));
  do {
    FindData info;
    ASSERT_EQ(parser->ReadFindFileData(find, info), 0);
    names.push_back(info.fileName);
  } while (parser->MoveNextFile(find, 0));
  EXPECT_EQ(names, (std::vector<std::string>{"_NE.TXT", "_WO.TXT"}));
}

TEST(FatParserTest, AnEmptyFirstSlotGivesOneNamelessPosition) {
  TinyVolume volume;
  auto parser = volume.Parser();
  FindRecord find;
  ASSERT_EQ(parser->MoveFirstFile(parser->RootDirectory(), find, 0), 1);
  FindData info;
  ASSERT_EQ(parser->ReadFindFileData(find, info), 0);
  EXPECT_EQ(info.fileName, "");
  EXPECT_EQ(parser->GetEntryName(find, info, nullptr, true), 1);
  EXPECT_EQ(parser->MoveNextFile(find, 0), 0);
  // The whole walk finds nothing to add.
  EXPECT_EQ(parser->ScanDirectoryTree(), kScanNoEntries);
}

// One volume with the cases of the walk side by side.
TEST(FatParserTest, WalkBuildsTheTreeOfLiveAndDeletedEntries) {
  testing::LogCapture log;
  TinyVolume volume;
  // A live folder with a live and a deleted file.
  volume.RootSlot(0, DirEntry("DOCS       ", 0x10, 2, 0));
  volume.Directory(2, 0, {DirEntry("A       TXT", 0x20, 3, 100), DirEntry("\xE5" "       TXT", 0x20, 4, 600)});
  volume.SetFat(2, 0xFFF);
  volume.SetFat(3, 0xFFF);
  // A deleted folder whose cluster still holds its entries.
  volume.RootSlot(1, DirEntry("\xE5" "OLD       ", 0x10, 6, 0));
  volume.Directory(6, 0, {DirEntry("\xE5" "       TXT", 0x20, 7, 50)});
  // A deleted folder whose cluster now holds file data.
  volume.RootSlot(2, DirEntry("\xE5" "REUSED    ", 0x10, 8, 0));
  volume.FillCluster(8, 'x');
  // A folder holding an entry that leads back to the folder itself, created
  // later, which would replace its own ancestor.
  volume.RootSlot(3, DirEntry("LOOP       ", 0x10, 9, 0, 0x52CF));
  volume.Directory(9, 0, {DirEntry("BACK       ", 0x10, 9, 0, 0x54CF)});
  volume.SetFat(9, 0xFFF);
  // Two entries of one folder: the later one, created later, replaces the
  // first and takes its children as they were found.
  volume.RootSlot(4, DirEntry("M1         ", 0x10, 10, 0, 0x52CF));
  volume.RootSlot(5, DirEntry("\xE5" "2         ", 0x10, 10, 0, 0x54CF));
  volume.Directory(10, 0, {DirEntry("X       TXT", 0x20, 11, 5)});
  volume.SetFat(10, 0xFFF);
  volume.SetFat(11, 0xFFF);
  // An older copy after that stays out.
  volume.RootSlot(6, DirEntry("M3         ", 0x10, 10, 0, 0x50CF));

  auto parser = volume.Parser();
  parser->SetScanStarted(true);
  EXPECT_EQ(parser->ScanDirectoryTree(), 0);
  EXPECT_EQ(Tree(*parser), (std::vector<std::string>{
                               "DOCS", "  A.TXT", "  _.TXT *", "_OLD *", "  _.TXT *", "LOOP", "_2 *", "  X.TXT"}));
  EXPECT_TRUE(Logged(log, "Detected clusters do not contain directory content. Skipped."));
  EXPECT_TRUE(Logged(log, "Currently parsing directory is a newer mirror of  [M1]"));
}

TEST(FatParserTest, RecoveryListFollowsTheChainThenTheNextClusters) {
  TinyVolume volume;
  volume.SetFat(30, 31);
  volume.SetFat(31, 0xFFF);
  volume.SetFat(50, 60);
  volume.SetFat(60, 0xFFF);
  volume.SetFat(70, 71);
  volume.SetFat(71, 70);  // a loop
  auto parser = volume.Parser();
  struct Case {
    const char* name;
    std::uint32_t key;
    std::uint64_t size;
    std::vector<std::uint32_t> clusters;
  };
  const std::vector<Case> cases{
      {"deleted: free chain, the size decides", 20, 1300, {20, 21, 22}},
      {"live chain shorter than the size", 30, 2000, {30, 31, 32, 33}},
      {"live fragmented chain", 50, 1024, {50, 60}},
      {"empty file", 40, 0, {40}},
      {"no first cluster", 0, 0, {0}},
      {"a looping chain stops at the size", 70, 2048, {70, 71, 70, 71}},
      // Cluster numbers do not start again at the front of the volume.
      {"the last cluster numbers", 0xFFFFFFFEu, 2048, {0xFFFFFFFEu, 0xFFFFFFFFu, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TreeNode node(c.key, "f", 0x20, 1);
    node.size = c.size;
    std::vector<std::uint32_t> list;
    EXPECT_EQ(parser->RecoveryClusterList(node, list), 0);
    EXPECT_EQ(list, c.clusters);
    // The extents that file handles read name the same clusters; numbers
    // past 2^32 - 1, like 0, name none that can be read.
    std::vector<fat::Extent> extents;
    std::uint64_t count = 0;
    EXPECT_EQ(parser->RecoveryExtents(node, extents, count), 0);
    std::vector<std::uint32_t> expanded;
    for (const fat::Extent& extent : extents) {
      for (std::int64_t i = 0; i < extent.count; ++i) {
        const std::uint64_t cluster = extent.first + static_cast<std::uint64_t>(i);
        expanded.push_back(cluster <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(cluster) : 0);
      }
    }
    EXPECT_EQ(expanded, c.clusters);
    EXPECT_EQ(count, c.clusters.size());
  }

  // A deleted entry of 4 GiB - 1 bytes needs 2^23 clusters: one extent.
  TreeNode big(20, "big", 0x20, 1);
  big.size = 0xFFFFFFFFu;
  std::vector<fat::Extent> extents;
  std::uint64_t count = 0;
  EXPECT_EQ(parser->RecoveryExtents(big, extents, count), 0);
  EXPECT_EQ(extents, (std::vector<fat::Extent>{{std::int64_t{1} << 23, 20}}));
  EXPECT_EQ(count, std::uint64_t{1} << 23);
}

TEST(FatParserTest, FileHandlesReadTheRecoveryClusters) {
  TinyVolume volume;
  volume.FillCluster(20, 'a');
  volume.FillCluster(21, 'b');
  volume.FillCluster(22, 'c');
  volume.FillCluster(23, 'd');
  volume.SetFat(20, 22);  // a live chain 20 -> 22, completed by 23
  volume.SetFat(22, 0xFFF);
  auto parser = volume.Parser();
  TreeNode node(20, "f", 0x20, 0);
  node.size = 1500;
  const DirectoryHandle file = parser->OpenFileByNode(node);
  ASSERT_NE(parser->GetDirectoryRecord(file), nullptr);
  std::int32_t high = -1;
  EXPECT_EQ(parser->GetFileSize(file, high), 1500u);
  EXPECT_EQ(high, 0);
  std::string data(2000, '?');
  std::uint32_t read = 0;
  // Two reads: one that ends inside a cluster, one that goes on from there.
  ASSERT_EQ(parser->ReadFile(file, data.data(), 700, read), 1);
  EXPECT_EQ(read, 700u);
  std::uint32_t more = 0;
  ASSERT_EQ(parser->ReadFile(file, data.data() + 700, 1300, more), 1);
  EXPECT_EQ(more, 800u);
  EXPECT_EQ(data.substr(0, 1500), std::string(512, 'a') + std::string(512, 'c') + std::string(476, 'd'));
  EXPECT_EQ(parser->CloseObject(file), 1);
  EXPECT_EQ(parser->CloseObject(file), 0);
}

TEST(FatParserTest, Fat16IsPreparedTwice) {
  testing::LogCapture log;
  TinyVolume volume(true);
  volume.RootSlot(0, DirEntry("A       TXT", 0x20, 3, 1));
  auto parser = volume.Parser();
  const auto lines = log.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "volume parameters:"), 2);
  EXPECT_EQ(parser->FsType(), 6);
  EXPECT_EQ(parser->LastCluster(), 0xFFFFu);
  EXPECT_EQ(parser->RootDirectory(), 0);
  EXPECT_EQ(parser->IsMftDamaged(), 0);
}

TEST(FatParserTest, DamagedVolumesEndWithClearResults) {
  {
    SCOPED_TRACE("zero sectors per FAT");
    TinyVolume volume;
    volume.Image()[22] = 0;
    auto parser = volume.Parser();
    EXPECT_NE(parser->IsMftDamaged(), 0);
    EXPECT_EQ(parser->ScanDirectoryTree(), -1);
  }
  {
    SCOPED_TRACE("zero sectors per cluster");
    TinyVolume volume;
    volume.Image()[13] = 0;
    auto parser = volume.Parser();
    EXPECT_NE(parser->IsMftDamaged(), 0);
  }
  {
    SCOPED_TRACE("an unreadable root directory");
    testing::LogCapture log;
    TinyVolume volume;
    volume.RootSlot(0, DirEntry("A       TXT", 0x20, 3, 1));
    auto parser = volume.Parser({testing::kTinyRootSector});
    EXPECT_TRUE(Logged(log, "Where are no valid sectors in root directory!"));
    parser->SetScanStarted(true);
    EXPECT_EQ(parser->ScanDirectoryTree(), kScanNoEntries);
  }
  {
    SCOPED_TRACE("a truncated image");
    TinyVolume volume;
    volume.RootSlot(0, DirEntry("A       TXT", 0x20, 3, 1));
    volume.RootSlot(1, DirEntry("DOCS       ", 0x10, 40, 0));  // past the end
    volume.Image().resize(10 * 512);
    auto parser = volume.Parser();
    parser->SetScanStarted(true);
    EXPECT_EQ(parser->ScanDirectoryTree(), 0);
    EXPECT_EQ(Tree(*parser), std::vector<std::string>{"A.TXT"});
  }
}

TEST(FatParserTest, DeletedFilesPastTheEndOfTheDeviceAreRated) {
  struct Case {
    const char* name;
    std::uint32_t cluster;
    std::uint32_t size;
    const char* condition;
  };
  // The image is cut after sector 99: clusters 2 to 98 are on the device.
  const Case cases[] = {
      {"\xE5" "EFORE  BIN", 20, 1500, "Good"},    {"\xE5" "CROSS  BIN", 97, 2000, "Average"},
      {"\xE5" "EYOND  BIN", 110, 600, "Poor"},    {"\xE5" "MPTY   BIN", 120, 0, "Good"},
      {"LIVE    BIN", 112, 600, "RecBin"},
  };
  testing::LogCapture log;
  TinyVolume volume;
  for (std::size_t slot = 0; slot < std::size(cases); ++slot) {
    volume.RootSlot(slot, DirEntry(cases[slot].name, 0x20, cases[slot].cluster, cases[slot].size));
  }
  volume.SetFat(112, 0xFFF);
  volume.Image().resize(100 * 512);
  auto parser = volume.Parser();
  parser->SetScanStarted(true);
  ASSERT_EQ(parser->ScanDirectoryTree(), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TreeNode* node = FindDescendantByKey(parser->Root(), c.cluster);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(ConditionLabel(*node), c.condition);
  }
  EXPECT_FLOAT_EQ(FindDescendantByKey(parser->Root(), 97)->damageLevel, 0.5f);
  EXPECT_EQ(FindDescendantByKey(parser->Root(), 112)->damageLevel, 0.0f);
}

// Folders whose clusters hold random bytes: whatever they claim, the walk
// ends, and the sanitizer build sees every access stay inside its buffer.
TEST(FatParserTest, RandomDirectoryClustersAreSurvived) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    TinyVolume volume;
    volume.RootSlot(0, DirEntry("DIR        ", 0x10, 2, 0));
    volume.RootSlot(1, DirEntry("\xE5" "IR        ", 0x10, 3, 0));
    for (std::uint32_t cluster = 2; cluster < 6; ++cluster) {
      for (std::size_t i = 0; i < 512; ++i) {
        volume.Image()[3 * 512 + (cluster - 2) * 512 + i] = static_cast<std::uint8_t>(random());
      }
      volume.SetFat(cluster, random() % 0x1000);
    }
    // Keep the "." and ".." names so that the walk goes inside.
    for (std::uint32_t cluster : {2u, 3u}) {
      Bytes& image = volume.Image();
      const std::size_t at = 3 * 512 + (cluster - 2) * 512;
      std::copy_n(".          ", 11, image.begin() + static_cast<std::ptrdiff_t>(at));
      image[at + 11] |= 0x10;
      std::copy_n("..         ", 11, image.begin() + static_cast<std::ptrdiff_t>(at + 32));
    }
    auto parser = volume.Parser();
    parser->SetScanStarted(true);
    const int result = parser->ScanDirectoryTree();
    EXPECT_TRUE(result == 0 || result == kScanNoEntries) << result;
  }
}

TEST(FatParserTest, TheBreakFlagStopsTheWalk) {
  TinyVolume volume;
  volume.RootSlot(0, DirEntry("A       TXT", 0x20, 3, 1));
  auto parser = volume.Parser();
  parser->SetScanStarted(true);
  BreakFlag().store(1);
  EXPECT_EQ(parser->ScanDirectoryTree(), kScanStopped);
  BreakFlag().store(0);
}

}  // namespace
}  // namespace tv
