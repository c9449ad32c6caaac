// The folder view of one drive: the folder shown and the one above it, the
// name filters, the sort, the listed entries with their counts, and moving
// between folders. The window's file list and `vtl list` both show a folder
// through it; it knows no window or terminal.
//
// Nothing is listed until Refresh; moving to another folder empties the
// listing until the next one. The view points into the drive's tree, so a
// scan of the drive goes through Scan, which returns the view to the root.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/column_text.h"
#include "app/entry_sort.h"
#include "app/folder_listing.h"
#include "app/scan_controller.h"
#include "app/workflow_host.h"
#include "parser/tree_node.h"

namespace tv {

class FolderView {
 public:
  // Shows the root of the drive's tree, when it has one. `drive` must
  // outlive the view.
  explicit FolderView(DriveRecord& drive);
  FolderView(const FolderView&) = delete;
  FolderView& operator=(const FolderView&) = delete;

  DriveRecord& Drive() const { return m_drive; }

  // Scans the drive on a worker (RunScanOnWorker) and shows the root of the
  // new tree; the listing is emptied first, since it points into the tree
  // that the scan replaces. True when the scan returned 0.
  bool Scan(const DriveOpener& open, WorkflowHost& host);

  // ---- Filters and sort, used from the next Refresh on ----

  // The filters as typed; they are kept normalised (view_filter.h).
  void SetFilters(const std::string& fileFilter, const std::string& folderFilter);
  const std::string& FileFilter() const { return m_szFileFilter; }
  const std::string& FolderFilter() const { return m_szFolderFilter; }
  // SortDirection::None keeps the listing order.
  void SetSort(ViewColumn column, SortDirection direction);
  // A click on a column's header: that column with the next direction
  // (NextSortDirection), and the listing sorted again at once.
  void SortBy(ViewColumn column);
  ViewColumn SortColumn() const { return m_sortColumn; }
  SortDirection Direction() const { return m_sortDirection; }

  // ---- The listing ----

  // Lists the shown folder under the filters, then sorts it.
  void Refresh();
  // The rows of the list, the up entry first in a subfolder.
  const std::vector<TreeNode*>& Entries() const { return m_listing.entries; }
  bool IsUpEntry(const TreeNode& entry) const { return &entry == m_listing.upEntry.get(); }
  // The ".." row of the listing; null in the root and before a Refresh.
  const TreeNode* UpEntry() const { return m_listing.upEntry.get(); }
  // The counts of the status line, from the last Refresh: the folder's
  // deleted structures (the up entry is not one), and the deleted files and
  // folders that match the filters.
  std::uint32_t DeletedStructures() const { return m_listing.DeletedStructures(); }
  std::uint32_t FilesMatched() const { return m_listing.filesMatched; }
  std::uint32_t FoldersMatched() const { return m_listing.foldersMatched; }

  // ---- Navigation ----

  // The folder shown and the one above it (the root's is the root itself);
  // null while the drive has no tree.
  TreeNode* Folder() const { return m_pFolder; }
  TreeNode* ParentFolder() const { return m_pParentFolder; }
  // The shown folder's path inside the volume: "" for the root, "\Docs".
  std::string FolderText() const;
  // Enters `entry`, a row of the listing, when it is a folder; the up entry
  // returns to the folder above. False, with nothing changed, for a file.
  bool Open(TreeNode& entry);
  // Shows the folder at `path` (as FindEntry reads it; nothing but
  // separators is the root). False, with nothing changed, when no folder
  // has that path.
  bool GoTo(const std::string& path);
  // Shows the root of the drive's tree.
  void ShowRoot();

 private:
  // Makes `folder` the shown one and empties the listing, which belongs to
  // the folder left.
  void Show(TreeNode& folder);
  // No folder and no entries.
  void ShowNothing();

  DriveRecord& m_drive;
  TreeNode* m_pFolder = nullptr;
  TreeNode* m_pParentFolder = nullptr;
  std::string m_szFileFilter = "*";
  std::string m_szFolderFilter = "*";
  ViewColumn m_sortColumn = ViewColumn::Name;
  SortDirection m_sortDirection = SortDirection::None;
  FolderListing m_listing;
};

}  // namespace tv
