// The folder view over a scanned FAT volume: moving between folders, the
// counts of each folder, the filters and the sort, and a rescan while a
// subfolder is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/column_text.h"
#include "app/folder_view.h"
#include "fat/tiny_volume.h"
#include "support/log_capture.h"
#include "support/memory_drive.h"
#include "workflow_fixtures.h"

namespace tv {
namespace {

using testing::DirEntry;
using testing::TinyVolume;

// \DOCS\OLD with deleted files at every level and a live file in the root.
TinyVolume NestedFolders() {
  TinyVolume volume;
  volume.RootSlot(0, DirEntry("DOCS       ", 0x10, 2, 0));
  volume.RootSlot(1, DirEntry("\xE5" "ONE    TXT", 0x20, 5, 10));
  volume.RootSlot(2, DirEntry("LIVE    TXT", 0x20, 9, 10));
  volume.SetFat(2, 0xFFF);
  volume.SetFat(3, 0xFFF);
  volume.SetFat(9, 0xFFF);
  volume.Directory(2, 0,
                   {DirEntry("OLD        ", 0x10, 3, 0), DirEntry("\xE5" "TWO    TXT", 0x20, 6, 3000),
                    DirEntry("\xE5" "TRE    DOC", 0x20, 7, 10)});
  volume.Directory(3, 2, {DirEntry("\xE5" "FOR    TXT", 0x20, 8, 10)});
  return volume;
}

std::vector<std::string> Names(const FolderView& view) {
  std::vector<std::string> names;
  for (const TreeNode* node : view.Entries()) names.push_back(view.IsUpEntry(*node) ? ".." : DisplayName(*node));
  return names;
}

TreeNode* Row(const FolderView& view, const std::string& name) {
  for (TreeNode* node : view.Entries()) {
    if ((view.IsUpEntry(*node) ? ".." : DisplayName(*node)) == name) return node;
  }
  return nullptr;
}

class FolderViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image = NestedFolders().Image();
    open = [this](const std::string&) -> std::unique_ptr<CDiskDrive> {
      return std::make_unique<testing::MemoryDrive>(image);
    };
    ASSERT_TRUE(view.Scan(open, host));
    view.Refresh();
  }

  testing::Bytes image;
  DriveOpener open;
  testing::RecordingHost host;
  DriveRecord drive;
  FolderView view{drive};
};

TEST_F(FolderViewTest, MovesBetweenFoldersWithTheCountsOfEach) {
  struct Step {
    const char* open;  // a row to double-click, or null
    const char* goTo;  // else a path to go to; neither: ShowRoot
    bool moves;
    const char* logLine;  // the navigation line, or null
    const char* folderText;
    std::vector<std::string> names;
    std::uint32_t deleted;
    std::uint32_t files;
    std::uint32_t folders;
  };
  const std::vector<std::string> root = {"DOCS", "_ONE.TXT"};
  const std::vector<std::string> docs = {"..", "OLD", "_TWO.TXT", "_TRE.DOC"};
  const std::vector<std::string> old = {"..", "_FOR.TXT"};
  const char* select = "FileTree Navigation: Select folder movement.";
  const char* back = "FileTree Navigation: Back folder movement.";
  const Step steps[] = {
      {"DOCS", nullptr, true, select, "\\DOCS", docs, 3, 2, 1},
      {"_TWO.TXT", nullptr, false, nullptr, "\\DOCS", docs, 3, 2, 1},  // a file: no move
      {"OLD", nullptr, true, select, "\\DOCS\\OLD", old, 1, 1, 0},
      {"..", nullptr, true, back, "\\DOCS", docs, 3, 2, 1},
      {"..", nullptr, true, back, "", root, 2, 1, 1},
      {nullptr, "docs/old", true, nullptr, "\\DOCS\\OLD", old, 1, 1, 0},
      {nullptr, "\\DOCS\\_TWO.TXT", false, nullptr, "\\DOCS\\OLD", old, 1, 1, 0},  // not a folder
      {nullptr, "\\NOWHERE", false, nullptr, "\\DOCS\\OLD", old, 1, 1, 0},
      {nullptr, "\\", true, nullptr, "", root, 2, 1, 1},  // the root by its path
      {"DOCS", nullptr, true, select, "\\DOCS", docs, 3, 2, 1},
      {nullptr, "/", true, nullptr, "", root, 2, 1, 1},
      {"DOCS", nullptr, true, select, "\\DOCS", docs, 3, 2, 1},
      {nullptr, nullptr, true, nullptr, "", root, 2, 1, 1},  // back to the root
  };
  EXPECT_EQ(Names(view), root);
  for (const Step& step : steps) {
    SCOPED_TRACE(step.open != nullptr ? step.open : step.goTo != nullptr ? step.goTo : "root");
    testing::LogCapture log;
    bool moved = false;
    if (step.open != nullptr) {
      TreeNode* row = Row(view, step.open);
      ASSERT_NE(row, nullptr);
      moved = view.Open(*row);
    } else if (step.goTo != nullptr) {
      moved = view.GoTo(step.goTo);
    } else {
      view.ShowRoot();
      moved = true;
    }
    EXPECT_EQ(moved, step.moves);
    EXPECT_EQ(log.Lines(), step.logLine != nullptr ? std::vector<std::string>{step.logLine}
                                                   : std::vector<std::string>{});
    view.Refresh();
    EXPECT_EQ(view.FolderText(), step.folderText);
    EXPECT_EQ(Names(view), step.names);
    EXPECT_EQ(view.DeletedStructures(), step.deleted);
    EXPECT_EQ(view.FilesMatched(), step.files);
    EXPECT_EQ(view.FoldersMatched(), step.folders);
    // The up entry stands for the folder above, which a root has none of.
    ASSERT_NE(view.Folder(), nullptr);
    TreeNode& shown = *view.Folder();
    EXPECT_EQ(view.ParentFolder(), shown.parent != nullptr ? shown.parent : &shown);
  }
}

TEST_F(FolderViewTest, FiltersAndSortHoldAcrossRefreshes) {
  ASSERT_TRUE(view.GoTo("\\DOCS"));
  view.SetFilters("*.doc", "x");
  EXPECT_EQ(view.FileFilter(), "*.doc*");
  EXPECT_EQ(view.FolderFilter(), "x*");
  view.Refresh();
  EXPECT_EQ(Names(view), (std::vector<std::string>{"..", "_TRE.DOC"}));
  // Deleted structures count whether or not they match.
  EXPECT_EQ(view.DeletedStructures(), 3u);
  EXPECT_EQ(view.FilesMatched(), 1u);
  EXPECT_EQ(view.FoldersMatched(), 0u);

  view.SetFilters("", "");
  view.Refresh();
  view.SortBy(ViewColumn::Name);
  EXPECT_EQ(view.Direction(), SortDirection::Ascending);
  EXPECT_EQ(Names(view), (std::vector<std::string>{"..", "_TRE.DOC", "_TWO.TXT", "OLD"}));
  view.SortBy(ViewColumn::Name);
  EXPECT_EQ(view.Direction(), SortDirection::Descending);
  const std::vector<std::string> descending = {"OLD", "_TWO.TXT", "_TRE.DOC", ".."};
  EXPECT_EQ(Names(view), descending);
  view.Refresh();
  EXPECT_EQ(Names(view), descending);

  view.SortBy(ViewColumn::Size);
  EXPECT_EQ(view.SortColumn(), ViewColumn::Size);
  EXPECT_EQ(view.Direction(), SortDirection::Ascending);
  EXPECT_TRUE(std::is_sorted(view.Entries().begin(), view.Entries().end(),
                             [](const TreeNode* a, const TreeNode* b) { return a->size < b->size; }));
}

// A FAT rescan builds a new parser and tree: the view must not keep
// pointing into the one it replaced.
TEST_F(FolderViewTest, ARescanReturnsToTheRootOfTheNewTree) {
  ASSERT_TRUE(view.GoTo("\\DOCS\\OLD"));
  view.Refresh();
  const CFileSystemParser* before = drive.parser.get();
  ASSERT_TRUE(view.Scan(open, host));
  ASSERT_NE(drive.parser.get(), before);
  EXPECT_EQ(view.Folder(), &drive.parser->Root());
  EXPECT_EQ(view.ParentFolder(), &drive.parser->Root());
  EXPECT_TRUE(view.Entries().empty());
  view.Refresh();
  EXPECT_EQ(Names(view), (std::vector<std::string>{"DOCS", "_ONE.TXT"}));
}

TEST(FolderView, ADriveWithoutATreeShowsNothing) {
  DriveRecord drive;
  FolderView view(drive);
  EXPECT_EQ(view.Folder(), nullptr);
  view.Refresh();
  EXPECT_TRUE(view.Entries().empty());
  EXPECT_EQ(view.FolderText(), "");
  EXPECT_FALSE(view.GoTo("\\"));
}

}  // namespace
}  // namespace tv
