#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/bin_names.h"
#include "app/column_text.h"
#include "app/folder_listing.h"
#include "app/recover_selection.h"
#include "app/view_filter.h"
#include "fat/fat12_parser.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"
#include "workflow_fixtures.h"

namespace tv {
namespace {

using testing::Bytes;
using testing::TinyVolume;

TreeNode* Add(TreeNode& folder, const char* name, std::uint32_t attributes, std::uint8_t deleted) {
  auto node = std::make_unique<TreeNode>(static_cast<std::uint32_t>(folder.children.size() + 100), name, attributes,
                                         deleted);
  node->parent = &folder;
  return AppendChild(folder, std::move(node));
}

std::set<std::string> Names(const FolderListing& listing) {
  std::set<std::string> names;
  for (const TreeNode* node : listing.entries) names.insert(DisplayName(*node));
  return names;
}

// An empty volume's parser with a hand-made tree under its root.
class HandTree : public ::testing::Test {
 protected:
  void SetUp() override {
    parser = volume.Parser();
    TreeNode& root = parser->Root();
    for (const char* name : {"report.doc", "Reply.txt", "report.docx", "readme", "notes.txt"}) Add(root, name, 0x20, 1);
    archive = Add(root, "Archive", 0x10, 1);
    Add(root, "banana", 0x10, 1);
    Add(root, "live.txt", 0x20, 0);
    Add(root, "", 0x20, 1);
    Add(*archive, "inner.txt", 0x20, 1);
    Add(*archive, "other.bin", 0x20, 1);
  }

  FolderListing List(const char* files, const char* folders) {
    return ListFolderEntries(*parser, parser->Root(), parser->Root(), "", NormaliseFileFilter(files),
                             NormaliseFolderFilter(folders));
  }

  TinyVolume volume;
  std::unique_ptr<CFAT12Parser> parser;
  TreeNode* archive = nullptr;
};

TEST_F(HandTree, FiltersChooseTheListedEntries) {
  struct Case {
    const char* files;
    const char* folders;
    std::set<std::string> names;
    std::uint32_t filesMatched;
    std::uint32_t foldersMatched;
  };
  const Case cases[] = {
      {"*.*", "", {"report.doc", "Reply.txt", "report.docx", "readme", "notes.txt", "Archive", "banana"}, 5, 2},
      {"rep", "", {"report.doc", "Reply.txt", "report.docx", "Archive", "banana"}, 3, 2},
      {"*.doc", "", {"report.doc", "report.docx", "Archive", "banana"}, 2, 2},
      {"readme.", "", {"Archive", "banana"}, 0, 2},
      {"*.", "a", {"readme", "Archive"}, 1, 1},
  };
  for (const Case& c : cases) {
    const FolderListing listing = List(c.files, c.folders);
    EXPECT_EQ(Names(listing), c.names) << c.files << " / " << c.folders;
    EXPECT_EQ(listing.filesMatched, c.filesMatched) << c.files;
    EXPECT_EQ(listing.foldersMatched, c.foldersMatched) << c.files;
    // Every deleted named child is counted, listed or not.
    EXPECT_EQ(listing.deletedCount, 7u);
    EXPECT_EQ(listing.DeletedStructures(), 7u);
    EXPECT_FALSE(listing.upEntryAdded());
  }
  // Children learn the folder they were listed in.
  EXPECT_EQ(archive->FolderPath(), "\\");
}

// \RECYCLER\S-1-5\ with INFO2 (records 12 and 3), the bin files DC12.DOC
// and DC7.TXT (no record), DESKTOP.INI, and a deleted file.
TinyVolume BinVolume() {
  TinyVolume volume;
  volume.RootSlot(0, testing::DirEntry("RECYCLER   ", 0x10, 2, 0));
  volume.SetFat(2, 0xFFF);
  volume.Directory(2, 0, {testing::DirEntry("S-1-5      ", 0x10, 3, 0)});
  volume.SetFat(3, 0xFFF);
  constexpr std::uint32_t kInfo2Size = 20 + 2 * 800;
  volume.Directory(3, 2,
                   {testing::DirEntry("INFO2      ", 0x20, 4, kInfo2Size), testing::DirEntry("DC12    DOC", 0x20, 8, 10),
                    testing::DirEntry("DC7     TXT", 0x20, 9, 10), testing::DirEntry("DESKTOP INI", 0x20, 10, 10),
                    testing::DirEntry("\xE5" "ONE    TXT", 0x20, 11, 10)});
  for (std::uint32_t c = 4; c < 7; ++c) volume.SetFat(c, c + 1);
  volume.SetFat(7, 0xFFF);
  for (std::uint32_t c = 8; c <= 10; ++c) volume.SetFat(c, 0xFFF);

  Bytes info2(kInfo2Size, 0);
  const auto record = [&](std::size_t k, std::uint32_t number, const std::u16string& path) {
    const std::size_t at = 20 + 800 * k;
    for (int i = 0; i < 4; ++i) info2[at + 260 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(number >> (8 * i));
    for (std::size_t i = 0; i < path.size(); ++i) {
      info2[at + 280 + 2 * i] = static_cast<std::uint8_t>(path[i]);
      info2[at + 281 + 2 * i] = static_cast<std::uint8_t>(path[i] >> 8);
    }
  };
  record(0, 3, u"C:\\x\\y.txt");
  record(1, 12, u"C:\\Work\\Plans\\budget.doc");
  testing::PutData(volume, 4, info2);
  return volume;
}

TEST(RecycleBin, BinFilesAreListedUnderTheirOriginalNames) {
  testing::LogCapture log;
  TinyVolume volume = BinVolume();
  auto parser = volume.Parser();
  parser->SetScanStarted(true);
  ASSERT_EQ(parser->ScanDirectoryTree(), 0);
  MarkFoldersWithDeletedContent(parser->Root());

  TreeNode& recycler = *parser->Root().children.front();
  TreeNode& user = *recycler.children.front();
  const std::string folderText = EntryPath(user);
  const FolderListing listing = ListFolderEntries(*parser, user, recycler, folderText, "*", "*");
  EXPECT_EQ(Names(listing), (std::set<std::string>{kUpEntryName, "budget.doc", "_ONE.TXT"}));
  // The up entry, the deleted file and the one bin file INFO2 knows.
  EXPECT_EQ(listing.deletedCount, 3u);
  EXPECT_EQ(listing.DeletedStructures(), 2u);
  const auto bin = std::find_if(listing.entries.begin(), listing.entries.end(),
                                [](const TreeNode* node) { return node->name == "DC12.DOC"; });
  ASSERT_NE(bin, listing.entries.end());
  EXPECT_EQ(ColumnText(**bin, ViewColumn::Status), "RecBin");
  EXPECT_EQ(ColumnText(**bin, ViewColumn::Folder), "\\Work\\Plans\\");

  // Filters see the name and folder from before the bin.
  EXPECT_EQ(Names(ListFolderEntries(*parser, user, recycler, folderText, "bud*", "\\work*")).count("budget.doc"), 1u);
  EXPECT_EQ(Names(ListFolderEntries(*parser, user, recycler, folderText, "bud*", "\\other*")).count("budget.doc"), 0u);

  // A live bin file has its data on the volume already: recovering it
  // writes nothing and reports success.
  testing::TempFolder out;
  testing::RecordingHost host;
  RecoveryRequest request;
  request.selection = {*bin};
  request.destination = out.Text();
  request.volume = "bin.img";
  EXPECT_EQ(RecoverSelection(*parser, request, host).results, std::vector<int>{1});
  EXPECT_EQ(host.messages, std::vector<std::string>{"File 'budget.doc' was successfully recovered."});
  EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

// An entry named on the command line or printed by `scan --all` is reached
// through the tree, never listed: it takes its folder path from the tree.
TEST(RecycleBin, BinFilesReachedWithoutAListingAreResolvedToo) {
  TinyVolume volume = BinVolume();
  auto parser = volume.Parser();
  parser->SetScanStarted(true);
  ASSERT_EQ(parser->ScanDirectoryTree(), 0);
  TreeNode& recycler = *parser->Root().children.front();
  TreeNode& user = *recycler.children.front();
  const auto child = [&](const char* name) {
    const auto it = std::find_if(user.children.begin(), user.children.end(),
                                 [&](const auto& node) { return node->name == name; });
    return it == user.children.end() ? nullptr : it->get();
  };
  TreeNode* bin = child("DC12.DOC");
  ASSERT_NE(bin, nullptr);
  ASSERT_TRUE(bin->FolderPath().empty());

  EXPECT_FALSE(ResolveBinEntry(*parser, recycler));
  EXPECT_EQ(recycler.FolderPath(), "\\");
  ASSERT_NE(child("DC7.TXT"), nullptr);
  EXPECT_FALSE(ResolveBinEntry(*parser, *child("DC7.TXT")));

  // Recovered straight from the tree, it is reported by its original name.
  testing::TempFolder out;
  testing::RecordingHost host;
  RecoveryRequest request;
  request.selection = {bin};
  request.destination = out.Text();
  request.volume = "bin.img";
  EXPECT_EQ(RecoverSelection(*parser, request, host).results, std::vector<int>{1});
  EXPECT_EQ(bin->FolderPath(), "\\RECYCLER\\S-1-5\\");
  EXPECT_EQ(bin->OriginalPath(), "C:\\Work\\Plans\\budget.doc");
  EXPECT_EQ(host.messages, std::vector<std::string>{"File 'budget.doc' was successfully recovered."});
  EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

TEST(RecycleBin, OnlyNamedFilesBelowABinFolderAreLookedUp) {
  TinyVolume volume = BinVolume();
  auto parser = volume.Parser();
  struct Case {
    const char* folder;
    const char* name;
    std::uint8_t deleted;
    bool bin;
  };
  const Case cases[] = {
      {"\\RECYCLER\\S-1-5\\", "DC12.DOC", 0, true},
      {"\\recycler\\s-1-5\\", "dc12.doc", 0, true},
      {"\\RECYCLER\\S-1-5\\", "DC3", 0, true},          // no extension: the rest is the number
      {"\\RECYCLER\\S-1-5\\", "DC7.TXT", 0, false},    // no record 7
      {"\\RECYCLER\\S-1-5\\", "DESKTOP.INI", 0, false},
      {"\\RECYCLER\\S-1-5\\", "DC12.DOC", 1, false},   // deleted entries are listed as such
      {"\\RECYCLED\\", "DC12.DOC", 0, false},          // the folder path must be longer
      {"\\Docs\\S-1-5\\", "DC12.DOC", 0, false},
      {"\\RECYCLER\\S-1-5\\", "X12.DOC", 0, false},
      {"\\RECYCLER\\NOBODY\\", "DC12.DOC", 0, false},  // no INFO2 there
  };
  for (const Case& c : cases) {
    TreeNode node(1, c.name, 0x20, c.deleted);
    node.SetFolderPath(c.folder);
    EXPECT_EQ(IsBinEntry(*parser, node), c.bin) << c.folder << c.name;
  }
}

}  // namespace
}  // namespace tv
