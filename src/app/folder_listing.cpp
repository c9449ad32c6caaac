#include "app/folder_listing.h"

#include "app/bin_names.h"
#include "app/column_text.h"
#include "app/view_filter.h"

namespace tv {

FolderListing ListFolderEntries(CFileSystemParser& parser, TreeNode& folder, TreeNode& above,
                                const std::string& folderText, const std::string& fileFilter,
                                const std::string& folderFilter) {
  FolderListing listing;
  if (&folder != &parser.Root()) {
    auto up = std::make_unique<TreeNode>(above.key, kUpEntryName, kAttributeDirectory, 1);
    up->size = above.size;
    up->modifiedTime = above.modifiedTime;
    up->creationTime = above.creationTime;
    up->parent = &above;
    up->SetFolderPath(folderText + "\\");
    listing.entries.push_back(up.get());
    listing.upEntry = std::move(up);
    listing.deletedCount += 1;
  }

  for (auto& child : folder.children) {
    TreeNode& node = *child;
    if (node.FolderPath().empty()) node.SetFolderPath(folderText + "\\");
    if (!node.HasName()) continue;
    if (node.deleted != 0) {
      listing.deletedCount += 1;
      if (node.IsDirectory()) {
        if (WildcardMatch(node.name, folderFilter)) {
          listing.entries.push_back(&node);
          listing.foldersMatched += 1;
        }
      } else if (WildcardMatch(node.name, fileFilter)) {
        listing.entries.push_back(&node);
        listing.filesMatched += 1;
      }
    } else if (IsBinEntry(parser, node)) {
      listing.deletedCount += 1;
      if (WildcardMatch(DisplayName(node), fileFilter) && WildcardMatch(DisplayFolder(node), folderFilter)) {
        listing.entries.push_back(&node);
      }
    }
  }
  return listing;
}

}  // namespace tv
