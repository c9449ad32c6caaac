// The folder view's listing of the current folder, and moving into and out
// of folders. The listing holds pointers into the parser's tree; the up
// entry is the only node it owns.
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
  std::uint32_t filesMatched = 0;
  std::uint32_t foldersMatched = 0;
  bool upEntryAdded() const { return upEntry != nullptr; }
};

// Lists the parser's viewFolder: first the up entry when it is not the
// root, then its deleted children whose names match the filters (folders
// against `folderFilter`, files against `fileFilter`) and the Recycle Bin
// files, matched by the name and folder they had before. `folderText` is the
// folder's path inside the volume ("" for the root, "\Docs"); children get
// folderText + "\" as their folderPath. The filters are normalised already.
// The parser's listedDeletedCount is set to the deleted structures seen.
FolderListing ListFolderEntries(CFileSystemParser& parser, const std::string& folderText,
                                const std::string& fileFilter, const std::string& folderFilter);

// The path of the parser's viewFolder inside the volume ("" for the root).
std::string ViewFolderText(const CFileSystemParser& parser);

// The deleted-structure count of the status line: the up entry is not one.
std::uint32_t DeletedStructureCount(const CFileSystemParser& parser, const FolderListing& listing);

// Moves the view into `entry` when it is a folder (the up entry returns to
// the folder above); false, with nothing changed, for a file.
bool EnterFolder(CFileSystemParser& parser, const FolderListing& listing, TreeNode& entry);

}  // namespace tv
