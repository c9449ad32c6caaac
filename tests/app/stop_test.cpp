// Stop (Ctrl-C on the command line, the Stop control in the window) in the
// middle of a scan and of a recovery, both run on the workers of the scan
// controller: the work ends early, keeps what it has done, and the next run
// starts normally. The stop is pressed from inside a drive read.
#include <gtest/gtest.h>

#include <filesystem>

#include <memory>
#include <string>
#include <vector>

#include "app/scan_run.h"
#include "app/folder_view.h"
#include "app/recover_selection.h"
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

using testing::Bytes;
using testing::MemoryDrive;

// Opens every volume name as the same image; the drive it makes presses
// Stop when it begins its `stopAtRead`-th read (counted from 0), and the
// opener keeps a pointer to it so that a test can move the stop later.
struct HookedOpener {
  Bytes image;
  std::size_t stopAtRead = SIZE_MAX;
  MemoryDrive* drive = nullptr;

  DriveOpener Opener() {
    return [this](const std::string&) -> std::unique_ptr<CDiskDrive> {
      auto made = std::make_unique<MemoryDrive>(image);
      drive = made.get();
      made->OnRawRead([this](std::size_t number) {
        if (number == stopAtRead) BreakFlag() = 1;
      });
      return made;
    };
  }
};

std::vector<std::string> DeletedNames(const TreeNode& root) {
  std::vector<std::string> names;
  std::vector<const TreeNode*> pending{&root};
  while (!pending.empty()) {
    const TreeNode* node = pending.back();
    pending.pop_back();
    for (const auto& child : node->children) {
      if (child->deleted != 0 && !child->IsDirectory()) names.push_back(child->name);
      pending.push_back(child.get());
    }
  }
  return names;
}

// Three folders, each in its own cluster, each holding one deleted file.
testing::TinyVolume ThreeFolders() {
  testing::TinyVolume volume;
  const char* folders[] = {"ONE        ", "TWO        ", "THREE      "};
  for (std::uint32_t i = 0; i < 3; ++i) {
    const std::uint32_t cluster = 10 + 10 * i;
    volume.RootSlot(i, testing::DirEntry(folders[i], 0x10, cluster, 0));
    volume.SetFat(cluster, 0xFFF);
    volume.Directory(cluster, 0, {testing::DirEntry("\xE5" "ILE    TXT", 0x20, cluster + 1, 10)});
  }
  return volume;
}

// A stopped run leaves the flag set, as the window's Stop control does; the
// other tests of this program must not start with it.
class Stop : public ::testing::Test {
 protected:
  void TearDown() override { BreakFlag() = 0; }
};

TEST_F(Stop, AScanStoppedMidwayKeepsAndMarksWhatItFound) {
  HookedOpener full{ThreeFolders().Image()};
  testing::RecordingHost host;
  DriveRecord complete;
  ASSERT_TRUE(RunScanOnWorker(complete, full.Opener(), host));
  ASSERT_EQ(complete.lastScanResult, 0);
  ASSERT_EQ(DeletedNames(complete.parser->Root()).size(), 3u);
  const std::size_t reads = full.drive->RawReads().size();

  // Stop pressed as the last folder is read: the scan ends there, counts as
  // done, and the two folders looked into keep their deleted files, marked.
  HookedOpener opener{ThreeFolders().Image(), reads - 1};
  DriveRecord record;
  FolderView view(record);
  EXPECT_TRUE(view.Scan(opener.Opener(), host));
  EXPECT_EQ(record.lastScanResult, kScanStopped);
  const TreeNode& root = record.parser->Root();
  EXPECT_EQ(DeletedNames(root).size(), 2u);
  int markedFolders = 0;
  for (const auto& folder : root.children) markedFolders += folder->deleted;
  EXPECT_EQ(markedFolders, 2);
  EXPECT_EQ(view.Folder(), &root);

  // The next scan starts with the flag cleared and finds everything.
  opener.stopAtRead = SIZE_MAX;
  EXPECT_TRUE(RunScanOnWorker(record, opener.Opener(), host));
  EXPECT_EQ(record.lastScanResult, 0);
  EXPECT_EQ(DeletedNames(record.parser->Root()).size(), 3u);
}

// A deleted FAT file of six contiguous clusters.
Bytes FatVolumeWithSixClusterFile() {
  testing::TinyVolume volume;
  volume.RootSlot(0, testing::DirEntry("\xE5" "IG     BIN", 0x20, 40, 6 * 512));
  testing::PutData(volume, 40, testing::Pattern(6 * 512, 5));
  return volume.Image();
}

// A deleted NTFS file of three data clusters and a sparse tail, 2.7 MiB in
// all, so that it takes three 1 MiB passes.
Bytes NtfsVolumeWithLongFile() {
  using testing::MiniVolume;
  MiniVolume volume;
  Bytes runs = testing::PackRun(3, 40);
  const Bytes tail = testing::PackRun(700, 0);
  runs.insert(runs.end(), tail.begin(), tail.end());
  volume.PutRecord(testing::RecordBuilder(20, false).StandardInformation().FileName(5, u"_IG.BIN")
                       .NonResidentData(runs, 703ull * MiniVolume::kClusterBytes),
                   20);
  const Bytes data = testing::Pattern(3 * MiniVolume::kClusterBytes, 9);
  for (std::uint32_t i = 0; i < 3; ++i) {
    volume.PutCluster(40 + i, Bytes(data.begin() + i * MiniVolume::kClusterBytes,
                                    data.begin() + (i + 1) * MiniVolume::kClusterBytes));
  }
  return volume.Image();
}

TEST_F(Stop, ARecoveryStoppedMidwayKeepsThePartialFile) {
  struct Case {
    const char* label;
    Bytes image;
    // Stop pressed at this read after the scan; the partial file then
    // holds this many bytes of the whole.
    std::size_t stopAfterReads;
    std::size_t keptBytes;
  };
  const Case cases[] = {
      // Clusters are read one by one; the two read before the stop are written.
      {"fat", FatVolumeWithSixClusterFile(), 1, 2 * 512},
      // The file record is read first; the first 1 MiB pass finishes, the
      // stop comes before the second.
      {"ntfs", NtfsVolumeWithLongFile(), 1, kRecoveryChunkBytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    HookedOpener opener{c.image};
    testing::RecordingHost host;
    DriveRecord record;
    ASSERT_TRUE(RunScanOnWorker(record, opener.Opener(), host));
    TreeNode* file = nullptr;
    for (auto& child : record.parser->Root().children) {
      if (child->name == "_IG.BIN") file = child.get();
    }
    ASSERT_NE(file, nullptr);
    testing::TempFolder whole;
    RecoveryRequest request{{file}, nullptr, whole.Text(), "volume.img"};
    RecoveryOutcome outcome;
    RunOnWorker([&] { outcome = RecoverSelection(*record.parser, request, host); }, host);
    ASSERT_EQ(outcome.results, std::vector<int>{kRecoverDone});
    const Bytes all = testing::ReadWholeFile(whole.File("_IG.BIN"));
    ASSERT_GT(all.size(), c.keptBytes);

    testing::TempFolder partial;
    request.destination = partial.Text();
    opener.stopAtRead = opener.drive->RawReads().size() + c.stopAfterReads;
    RunOnWorker([&] { outcome = RecoverSelection(*record.parser, request, host); }, host);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.results, std::vector<int>{kRecoverStopped});
    // The cut-short file says so in its name.
    EXPECT_FALSE(std::filesystem::exists(partial.File("_IG.BIN")));
    EXPECT_EQ(testing::ReadWholeFile(partial.File("_IG.BIN.partial")), Bytes(all.begin(), all.begin() + c.keptBytes));
  }
}

}  // namespace
}  // namespace tv
