// The listing rule of the folder view: which entries of a folder are shown
// under the name filters, and what they count. The listing holds pointers
// into the parser's tree; the up entry is the only node it owns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parser/file_system_parser.h"
#include "parser/tree_node.h"

namespace tv {

struct FolderListing {
  std::vector<TreeNode*> entries;
  // The ".." entry at the head of a subfolder's listing.
  std::unique_ptr<TreeNode> upEntry;
  // Deleted structures seen, listed or not; the up entry counts as one.
  std::uint32_t deletedCount = 0;
  std::uint32_t filesMatched = 0;
  std::uint32_t foldersMatched = 0;
  bool upEntryAdded() const { return upEntry != nullptr; }
  // The deleted-structure count of the status line: the up entry is not one.
  std::uint32_t DeletedStructures() const {
    return upEntryAdded() && deletedCount > 0 ? deletedCount - 1 : deletedCount;
  }
};

// Lists `folder` of the parser's tree: first the up entry when it is not
// the root (standing for `above`, the folder one level up), then its deleted
// children whose names match the filters (folders against `folderFilter`,
// files against `fileFilter`) and the Recycle Bin files, matched by the name
// and folder they had before. `folderText` is the folder's path inside the
// volume ("" for the root, "\Docs"); children get folderText + "\" as their
// folderPath. The filters are normalised already.
FolderListing ListFolderEntries(CFileSystemParser& parser, TreeNode& folder, TreeNode& above,
                                const std::string& folderText, const std::string& fileFilter,
                                const std::string& folderFilter);

}  // namespace tv
