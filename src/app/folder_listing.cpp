#include "app/folder_listing.h"

#include "app/bin_names.h"
#include "app/column_text.h"
#include "app/view_filter.h"
#include "log/log.h"

namespace tv {

FolderListing ListFolderEntries(CFileSystemParser& parser, const std::string& folderText,
                                const std::string& fileFilter, const std::string& folderFilter) {
  FolderListing listing;
  parser.m_nListedDeletedCount = 0;
  TreeNode* folder = parser.m_pViewFolder != nullptr ? parser.m_pViewFolder : &parser.Root();

  if (folder != &parser.Root()) {
    TreeNode* above = parser.m_pViewParentFolder != nullptr ? parser.m_pViewParentFolder : &parser.Root();
    auto up = std::make_unique<TreeNode>(above->key, kUpEntryName, kAttributeDirectory, 1);
    up->size = above->size;
    up->modifiedTime = above->modifiedTime;
    up->creationTime = above->creationTime;
    up->parent = above;
    up->SetFolderPath(folderText + "\\");
    listing.entries.push_back(up.get());
    listing.upEntry = std::move(up);
    parser.m_nListedDeletedCount += 1;
  }

  for (auto& child : folder->children) {
    TreeNode& node = *child;
    if (node.FolderPath().empty()) node.SetFolderPath(folderText + "\\");
    if (!node.HasName()) continue;
    if (node.deleted != 0) {
      parser.m_nListedDeletedCount += 1;
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
      parser.m_nListedDeletedCount += 1;
      if (WildcardMatch(DisplayName(node), fileFilter) && WildcardMatch(DisplayFolder(node), folderFilter)) {
        listing.entries.push_back(&node);
      }
    }
  }
  return listing;
}

std::string ViewFolderText(const CFileSystemParser& parser) {
  std::string text;
  for (const TreeNode* node = parser.m_pViewFolder; node != nullptr && node != &parser.Root();
       node = node->parent) {
    text.insert(0, "\\" + node->name);
  }
  return text;
}

std::uint32_t DeletedStructureCount(const CFileSystemParser& parser, const FolderListing& listing) {
  const std::uint32_t count = parser.m_nListedDeletedCount;
  return listing.upEntryAdded() && count > 0 ? count - 1 : count;
}

bool EnterFolder(CFileSystemParser& parser, const FolderListing& listing, TreeNode& entry) {
  if (!entry.IsDirectory()) return false;
  TreeNode& root = parser.Root();
  if (&entry == listing.upEntry.get()) {
    parser.m_pViewFolder = entry.parent != nullptr ? entry.parent : &root;
    Log().Message("FileTree Navigation: Back folder movement.");
  } else {
    parser.m_pViewFolder = &entry;
    Log().Message("FileTree Navigation: Select folder movement.");
  }
  TreeNode* above = parser.m_pViewFolder->parent;
  parser.m_pViewParentFolder = above != nullptr ? above : &root;
  return true;
}

}  // namespace tv
