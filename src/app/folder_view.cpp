#include "app/folder_view.h"

#include "app/entry_lookup.h"
#include "app/view_filter.h"
#include "log/log.h"

namespace tv {

FolderView::FolderView(DriveRecord& drive) : m_drive(drive) { ShowRoot(); }

bool FolderView::Scan(const DriveOpener& open, WorkflowHost& host) {
  // The scan may free the tree that the listing points into.
  ShowNothing();
  const bool done = RunScanOnWorker(m_drive, open, host);
  ShowRoot();
  return done;
}

void FolderView::SetFilters(const std::string& fileFilter, const std::string& folderFilter) {
  m_szFileFilter = NormaliseFileFilter(fileFilter);
  m_szFolderFilter = NormaliseFolderFilter(folderFilter);
}

void FolderView::SetSort(ViewColumn column, SortDirection direction) {
  m_sortColumn = column;
  m_sortDirection = direction;
}

void FolderView::SortBy(ViewColumn column) {
  m_sortDirection = NextSortDirection(m_sortColumn, m_sortDirection, column);
  m_sortColumn = column;
  SortEntries(m_listing.entries, m_sortColumn, m_sortDirection);
}

void FolderView::Refresh() {
  if (m_pFolder == nullptr) ShowRoot();
  if (m_pFolder == nullptr) {
    m_listing = FolderListing{};
    return;
  }
  m_listing = ListFolderEntries(*m_drive.parser, *m_pFolder, *m_pParentFolder, FolderText(), m_szFileFilter,
                                m_szFolderFilter);
  SortEntries(m_listing.entries, m_sortColumn, m_sortDirection);
}

std::string FolderView::FolderText() const {
  if (m_pFolder == nullptr || m_pFolder->parent == nullptr) return {};
  return EntryPath(*m_pFolder);
}

bool FolderView::Open(TreeNode& entry) {
  if (!entry.IsDirectory() || m_pFolder == nullptr) return false;
  if (IsUpEntry(entry)) {
    Show(entry.parent != nullptr ? *entry.parent : m_drive.parser->Root());
    Log().Message("FileTree Navigation: Back folder movement.");
  } else {
    Show(entry);
    Log().Message("FileTree Navigation: Select folder movement.");
  }
  return true;
}

bool FolderView::GoTo(const std::string& path) {
  if (!m_drive.parser) return false;
  TreeNode& root = m_drive.parser->Root();
  const bool toRoot = path.find_first_not_of("\\/") == std::string::npos;
  TreeNode* folder = toRoot ? &root : FindEntry(root, path);
  // The root is a folder whatever attributes its node got from the scan.
  if (folder == nullptr || (folder != &root && !folder->IsDirectory())) return false;
  Show(*folder);
  return true;
}

void FolderView::ShowRoot() {
  if (m_drive.parser) {
    Show(m_drive.parser->Root());
  } else {
    ShowNothing();
  }
}

void FolderView::ShowNothing() {
  m_listing = FolderListing{};
  m_pFolder = nullptr;
  m_pParentFolder = nullptr;
}

void FolderView::Show(TreeNode& folder) {
  m_pFolder = &folder;
  m_pParentFolder = folder.parent != nullptr ? folder.parent : &m_drive.parser->Root();
  m_listing = FolderListing{};
}

}  // namespace tv
