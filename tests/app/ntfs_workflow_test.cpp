// The workflow on small NTFS volumes built in memory: the base recovery
// copy loop with an unreadable sector, the MFT dump, and the scan
// controller with its rescan rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/folder_view.h"
#include "app/mft_dump.h"
#include "app/scan_controller.h"
#include "fat/tiny_volume.h"
#include "ntfs/mini_volume.h"
#include "parser/break_flag.h"
#include "parser/recovery_output.h"
#include "support/memory_drive.h"
#include "support/temp_folder.h"
#include "workflow_fixtures.h"

namespace tv {
namespace {

using testing::MiniVolume;
using testing::PackRun;
using testing::RecordBuilder;

constexpr std::uint32_t kDataCluster = 40;
constexpr std::size_t kDataBytes = 3 * MiniVolume::kClusterBytes - 100;

MiniVolume VolumeWithDeletedFile() {
  MiniVolume volume;
  volume.PutRecord(RecordBuilder(20, false).StandardInformation().FileName(5, u"report.bin")
                       .NonResidentData(PackRun(3, kDataCluster), kDataBytes),
                   20);
  std::vector<std::uint8_t> data = testing::Pattern(3 * MiniVolume::kClusterBytes, 7);
  for (std::uint32_t i = 0; i < 3; ++i) {
    volume.PutCluster(kDataCluster + i,
                      std::vector<std::uint8_t>(data.begin() + i * MiniVolume::kClusterBytes,
                                                data.begin() + (i + 1) * MiniVolume::kClusterBytes));
  }
  return volume;
}

TreeNode* Find(TreeNode& root, const std::string& name) {
  for (auto& child : root.children) {
    if (child->name == name) return child.get();
  }
  return nullptr;
}

TEST(NtfsWorkflow, AnUnreadableSectorBecomesZerosInPlace) {
  MiniVolume volume = VolumeWithDeletedFile();
  // The third sector of the file's second cluster.
  const std::uint64_t bad = (kDataCluster + 1) * (MiniVolume::kClusterBytes / 512) + 2;
  auto parser = volume.Parse({bad});
  ASSERT_EQ(parser->AssembleDeletedTree(100), 0);
  TreeNode* node = Find(parser->Root(), "report.bin");
  ASSERT_NE(node, nullptr);

  testing::TempFolder out;
  int files = 0;
  int folders = 0;
  EXPECT_EQ(parser->RecoverNode(*node, out.Text(), files, folders, 0, kRenameNumbered, nullptr), kRecoverDone);
  std::vector<std::uint8_t> want = testing::Pattern(3 * MiniVolume::kClusterBytes, 7);
  want.resize(kDataBytes);
  const std::size_t from = MiniVolume::kClusterBytes + 2 * 512;
  std::fill(want.begin() + static_cast<std::ptrdiff_t>(from), want.begin() + static_cast<std::ptrdiff_t>(from + 512), 0);
  EXPECT_EQ(testing::ReadWholeFile(out.File("report.bin")), want);
  EXPECT_EQ(files, 1);
}

TEST(NtfsWorkflow, MftDumpCopiesTheBootSectorAndTheTableStart) {
  MiniVolume volume;
  testing::MemoryDrive drive(volume.Image());
  testing::TempFolder out;
  std::vector<std::string> lines;
  int lastPass = -1;
  MftDumpReport report{[&](const std::string& line) { lines.push_back(line); }, [&](int pass) { lastPass = pass; }};
  for (int run = 0; run < 2; ++run) {  // a second dump replaces the first
    lines.clear();
    ASSERT_TRUE(DumpMft(drive, out.Text(), report));
  }
  const auto& image = volume.Image();
  EXPECT_EQ(testing::ReadWholeFile(out.File(kBootDumpName)), std::vector<std::uint8_t>(image.begin(), image.begin() + 512));
  // The table starts at cluster 4; the dump runs on past it to 1,024,000 bytes.
  const std::size_t mft = 4 * MiniVolume::kClusterBytes;
  EXPECT_EQ(testing::ReadWholeFile(out.File(kMftDumpName)),
            std::vector<std::uint8_t>(image.begin() + mft, image.begin() + mft + 1024000));
  EXPECT_EQ(lines.front(), "  >> MFT Offset from the beginning: 4000");
  EXPECT_EQ(lines.back(), "Dump process successfully acomplished.");
  EXPECT_EQ(lastPass, 10);

  testing::TinyVolume fat;
  testing::MemoryDrive fatDrive(fat.Image());
  EXPECT_FALSE(DumpMft(fatDrive, out.Text(), report));
}

class ScanHost : public testing::RecordingHost {
 public:
  void WhileWaiting() override { ++waits; }
  int waits = 0;
};

TEST(ScanController, ScansOnAWorkerAndKeepsOnlyTheNtfsParser) {
  MiniVolume ntfs = VolumeWithDeletedFile();
  testing::TinyVolume fat;
  fat.RootSlot(0, testing::DirEntry("\xE5" "ONE    TXT", 0x20, 5, 10));
  const DriveOpener open = [&](const std::string& volume) -> std::unique_ptr<CDiskDrive> {
    if (volume == "ntfs") return std::make_unique<testing::MemoryDrive>(ntfs.Image());
    if (volume == "fat") return std::make_unique<testing::MemoryDrive>(fat.Image());
    return nullptr;
  };
  EXPECT_EQ(ProbeDrive("ntfs", open), 1);
  EXPECT_EQ(ProbeDrive("fat", open), 1);
  EXPECT_EQ(ProbeDrive("missing", open), 0);

  struct Case {
    const char* volume;
    bool keepsParser;
    const char* found;
  };
  for (const Case& c : {Case{"ntfs", true, "report.bin"}, Case{"fat", false, "_ONE.TXT"}}) {
    ScanHost host;
    DriveRecord record;
    record.volume = c.volume;
    FolderView view(record);
    ASSERT_TRUE(view.Scan(open, host)) << c.volume;
    ASSERT_NE(record.parser, nullptr);
    const CFileSystemParser* first = record.parser.get();
    EXPECT_NE(Find(record.parser->Root(), c.found), nullptr) << c.volume;
    EXPECT_EQ(view.Folder(), &record.parser->Root());
    ASSERT_TRUE(view.Scan(open, host)) << c.volume;
    EXPECT_EQ(record.parser.get() == first, c.keepsParser) << c.volume;
    EXPECT_EQ(view.Folder(), &record.parser->Root());
    EXPECT_FALSE(host.progress.empty()) << c.volume;
  }

  ScanHost host;
  DriveRecord missing;
  missing.volume = "missing";
  EXPECT_FALSE(RunScanOnWorker(missing, open, host));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Can`t open disk"});
}

}  // namespace
}  // namespace tv
