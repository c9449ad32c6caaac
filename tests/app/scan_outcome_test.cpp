// How a scan's outcome is judged for the user: volumes whose structures
// cannot be read (unreadable sectors in the MFT, the root folder or the
// allocation table), results in words, and the escaping of control
// characters in printed names.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/entry_format.h"
#include "app/scan_run.h"
#include "fat/tiny_volume.h"
#include "ntfs/mini_volume.h"
#include "parser/break_flag.h"

namespace tv {
namespace {

using testing::DirEntry;
using testing::MiniVolume;
using testing::PackRun;
using testing::RecordBuilder;
using testing::TinyVolume;

constexpr const char* kMftUnreadable = "the master file table could not be read";
constexpr const char* kNoRecordRead =
    "neither the root folder nor any other record of the master file table could be read";
constexpr const char* kRootUnreadable = "the root folder could not be read";

// The tiny volume's sectors: the boot sector, one FAT sector, one root
// directory sector, then the data clusters.
constexpr std::uint64_t kTinyFatSector = 1;

TinyVolume TinyVolumeWithFiles(bool fat16) {
  TinyVolume volume(fat16);
  volume.RootSlot(0, DirEntry("KEEP    TXT", 0x20, 2, 100));
  volume.RootSlot(1, DirEntry("\xE5OST    TXT", 0x20, 3, 100));
  volume.SetFat(2, fat16 ? 0xFFFF : 0xFFF);
  return volume;
}

struct FatCase {
  const char* name;
  bool fat16;
  bool withFiles;
  std::vector<std::uint64_t> badSectors;
  const char* unreadable;  // what the judgement names; "" for nothing
  const char* missing;
  bool completed;          // the scan counts as having gone over the volume
  std::size_t rootEntries;
};

TEST(ScanOutcome, FatVolumesAreJudgedByWhatCouldBeRead) {
  const std::vector<FatCase> cases = {
      {"readable FAT12", false, true, {}, "", "", true, 2},
      {"readable FAT16", true, true, {}, "", "", true, 2},
      // A freshly formatted volume: nothing in the root, and no failure.
      {"empty volume", false, false, {}, "", "", true, 0},
      {"root sector unreadable", false, true, {testing::kTinyRootSector}, kRootUnreadable, "", true, 0},
      {"FAT16 root sector unreadable", true, true, {testing::kTinyRootSector}, kRootUnreadable, "", true, 0},
      // The directory entries still read: what they name is found.
      {"FAT unreadable", false, true, {kTinyFatSector}, "", "the file allocation table could not be read", true, 2},
      // A bad data cluster is damage to one file, not to the structures.
      {"data cluster unreadable", false, true, {3}, "", "", true, 2},
  };
  for (const FatCase& c : cases) {
    SCOPED_TRACE(c.name);
    TinyVolume volume = c.withFiles ? TinyVolumeWithFiles(c.fat16) : TinyVolume(c.fat16);
    auto parser = volume.Parser({c.badSectors.begin(), c.badSectors.end()});
    EXPECT_EQ(parser->UnreadableStructures(), c.unreadable);
    EXPECT_EQ(parser->MissingStructures(), c.missing);
    BreakFlag() = 0;
    const int result = RunScan(*parser);
    EXPECT_EQ(ScanCompleted(result), c.completed) << "result " << result;
    EXPECT_EQ(parser->Root().children.size(), c.rootEntries);
    // The scan changes nothing of the judgement of a FAT volume.
    EXPECT_EQ(parser->UnreadableStructures(), c.unreadable);
  }
}

TEST(ScanOutcome, FatBootSectorWithoutLayoutIsUnreadable) {
  TinyVolume volume = TinyVolumeWithFiles(false);
  volume.Image()[22] = 0;  // no sectors per FAT
  volume.Image()[23] = 0;
  auto parser = volume.Parser();
  EXPECT_EQ(parser->UnreadableStructures(), "the boot sector describes no usable FAT layout");
}

// A volume with two deleted files in the root folder (records 20 and 21).
MiniVolume NtfsVolumeWithFiles() {
  MiniVolume volume;
  volume.PutRecord(RecordBuilder(20, false).StandardInformation().FileName(5, u"report.bin")
                       .NonResidentData(PackRun(1, 40), 1000),
                   20);
  volume.PutRecord(RecordBuilder(21, false).StandardInformation().FileName(5, u"notes.txt")
                       .NonResidentData(PackRun(1, 41), 1000),
                   21);
  return volume;
}

// Record n of the mini volume's MFT (cluster 4, 8 sectors a cluster) starts
// at sector 32 + 2n.
std::vector<std::uint64_t> MftRecordSectors(std::uint32_t first, std::uint32_t last) {
  std::vector<std::uint64_t> sectors;
  for (std::uint64_t s = 32 + 2 * std::uint64_t{first}; s < 32 + 2 * (std::uint64_t{last} + 1); ++s) {
    sectors.push_back(s);
  }
  return sectors;
}

struct NtfsCase {
  const char* name;
  std::vector<std::uint64_t> badSectors;
  const char* beforeScan;
  const char* afterScan;
  std::size_t rootEntries;
};

TEST(ScanOutcome, NtfsVolumesAreJudgedByWhatCouldBeRead) {
  const std::vector<NtfsCase> cases = {
      {"readable", {}, "", "", 2},
      // Record 0 is unreadable in the table and in its mirror (the same
      // cluster here): the table cannot even be found.
      {"whole MFT unreadable", MftRecordSectors(0, MiniVolume::kRecords - 1), kMftUnreadable, kMftUnreadable, 0},
      // Record 0 reads, so the table is found, but no record after it does;
      // only the scan shows that nothing could be read.
      {"MFT unreadable after record 0", MftRecordSectors(1, MiniVolume::kRecords - 1), "", kNoRecordRead, 0},
      // The scan places every entry without the root folder's own record.
      {"root folder record unreadable", MftRecordSectors(5, 5), "", "", 2},
      // One unreadable record is damage to that entry alone.
      {"file record unreadable", MftRecordSectors(20, 20), "", "", 1},
  };
  for (const NtfsCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto parser = NtfsVolumeWithFiles().Parse(c.badSectors);
    EXPECT_EQ(parser->UnreadableStructures(), c.beforeScan);
    BreakFlag() = 0;
    const int result = RunScan(*parser);
    EXPECT_TRUE(ScanCompleted(result)) << "result " << result;
    EXPECT_EQ(parser->Root().children.size(), c.rootEntries);
    EXPECT_EQ(parser->UnreadableStructures(), c.afterScan);
    EXPECT_EQ(parser->MissingStructures(), "");
  }
}

TEST(ScanOutcome, ResultsInWords) {
  EXPECT_EQ(ScanResultText(0), "completed");
  EXPECT_EQ(ScanResultText(kScanStopped), "stopped");
  EXPECT_EQ(ScanResultText(-3), "the root folder holds no entries");
  EXPECT_EQ(ScanResultText(-1), "an entry could not be processed");
  EXPECT_EQ(ScanResultText(-7), "the scan failed with code -7");
  EXPECT_TRUE(ScanCompleted(0));
  EXPECT_FALSE(ScanCompleted(kScanStopped));
  EXPECT_FALSE(ScanCompleted(-1));
}

TEST(EntryFormat, ControlCharactersAreEscapedVisibly) {
  struct Case {
    const char* name;
    std::string text;
    std::string escaped;
  };
  const std::vector<Case> cases = {
      {"plain", "\\Docs\\report.doc", "\\Docs\\report.doc"},
      {"escape sequence", "\\a\x1b[31mred", "\\a<1B>[31mred"},
      {"NUL, tab, newline, CR", std::string("a\0b\tc\nd\re", 9), "a<00>b<09>c<0A>d<0D>e"},
      {"DEL", "x\x7fy", "x<7F>y"},
      {"C1 code points", "\xC2\x80-\xC2\x9B-\xC2\x9F", "<80>-<9B>-<9F>"},
      {"letters beside C1 stay", "\xC2\xA0\xC3\xA9", "\xC2\xA0\xC3\xA9"},
      {"Cyrillic and CJK", "\xD0\x9F\xD1\x80\xE6\x96\x87", "\xD0\x9F\xD1\x80\xE6\x96\x87"},
      {"four-byte sequence", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"stray C1 bytes", "a\x9b" "b\x85", "a<9B>b<85>"},
      {"stray byte above C1", "a\xE9z", "a\xE9z"},
      {"cut sequence at the end", "a\xC2", "a\xC2"},
      // An overlong form hides ESC from a plain byte check.
      {"overlong form", "\xE0\x80\x9B", "\xE0<80><9B>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EscapeControlCharacters(c.text), c.escaped);
  }
}

TEST(EntryFormat, ScanLineEscapesThePathAndJsonKeepsItsOwnEscapes) {
  TreeNode node(7, "bad\x1b]0;title\x07.txt", 0, 1);
  const std::string path = "\\Docs\\" + node.name;
  const std::string line = FormatEntryLine(node, path);
  EXPECT_EQ(line.find('\x1b'), std::string::npos);
  EXPECT_NE(line.find("\\Docs\\bad<1B>]0;title<07>.txt"), std::string::npos) << line;
  const std::string json = FormatEntryJson(node, path);
  EXPECT_NE(json.find("\"name\":\"bad\\u001b]0;title\\u0007.txt\""), std::string::npos) << json;
}

}  // namespace
}  // namespace tv
