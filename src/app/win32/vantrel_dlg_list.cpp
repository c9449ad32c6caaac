// The main window's drives and file list: drive selection, the listing of
// the current folder through its FolderView, column texts, sorting,
// filters and navigation.
#include "vantrel_dlg.h"

#include <shellapi.h>

#include <cwchar>

#include "app/column_text.h"
#include "app/open_volume.h"
#include "log/log.h"
#include "resource.h"
#include "window_text.h"

namespace tv::gui {
namespace {

// The shell's small-icon index for an entry under its listed name.
int ShellIconIndex(const TreeNode& node) {
  SHFILEINFOW info{};
  const std::wstring name = Wide(DisplayName(node));
  if (::SHGetFileInfoW(name.c_str(), node.attributes, &info, sizeof info,
                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) == 0) {
    return -1;
  }
  return info.iIcon;
}

void CopyToBuffer(const std::wstring& text, wchar_t* buffer, int capacity) {
  if (buffer == nullptr || capacity <= 0) return;
  const std::size_t count = text.size() < static_cast<std::size_t>(capacity - 1) ? text.size()
                                                                                 : static_cast<std::size_t>(capacity - 1);
  wmemcpy(buffer, text.data(), count);
  buffer[count] = L'\0';
}

}  // namespace

DriveSlot* CVantrelDlg::SelectedDrive() const {
  HWND tree = Item(IDC_DRIVE_TREE);
  HTREEITEM item = TreeView_GetSelection(tree);
  if (item == nullptr) return nullptr;
  TVITEMW data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!TreeView_GetItem(tree, &data)) return nullptr;
  const auto index = static_cast<std::size_t>(data.lParam);
  return index < m_drives.size() ? m_drives[index].get() : nullptr;
}

void CVantrelDlg::OnDriveSelected() {
  DriveSlot* drive = SelectedDrive();
  if (drive == nullptr) return;
  m_pCurrent = drive;
  EmptyList();
  if (drive->record.parser && drive->record.parser->ScanStarted()) {
    m_readyOverlay.Hide();
    m_unsupportedOverlay.Hide();
    if (m_bBusy) return;
    RefreshView(*drive);
    ShowListing();
    SetScanCommandText(L"Rescan %c:", static_cast<wchar_t>(drive->letter));
    EnableScanCommand(true);
    EnableUndelete(true);
    return;
  }
  ShowDriveNotScanned(*drive);
}

void CVantrelDlg::ShowDriveNotScanned(DriveSlot& drive) {
  if (drive.record.support == 0) {
    drive.record.support = ProbeDrive(drive.record.volume, OpenVolumeArgument) == 1 ? 1 : -1;
  }
  const auto letter = static_cast<wchar_t>(drive.letter);
  SetScanCommandText(L"Scan %c:", letter);
  if (drive.record.support == 1) {
    m_unsupportedOverlay.Hide();
    m_readyOverlay.SetText(L"Select drive to scan for deleted files and click the Scan button");
    m_readyOverlay.ShowOver(Item(IDC_FILE_LIST));
    if (!m_bBusy) SetStatusText(FillTemplate(LoadResourceString(IDS_DRIVE_READY), letter));
    EnableScanCommand(!m_bBusy);
  } else {
    Log().Error("Unable to open disk");
    m_readyOverlay.Hide();
    m_unsupportedOverlay.SetText(FillTemplate(L"Drive %C: undelete is not supported", letter));
    m_unsupportedOverlay.ShowOver(Item(IDC_FILE_LIST));
    if (!m_bBusy) SetStatusText(FillTemplate(LoadResourceString(IDS_DRIVE_NOT_SUPPORTED), letter));
    EnableScanCommand(false);
  }
  EnableUndelete(false);
}

void CVantrelDlg::SetScanCommandText(const wchar_t* pattern, wchar_t letter) {
  const std::wstring text = FillTemplate(pattern, letter);
  ::SetDlgItemTextW(Handle(), ID_RESCAN, text.c_str());
  HMENU menu = ::GetMenu(Handle());
  if (menu != nullptr) ::ModifyMenuW(menu, ID_SCAN, MF_BYCOMMAND | MF_STRING, ID_SCAN, text.c_str());
  ::DrawMenuBar(Handle());
}

void CVantrelDlg::EnableScanCommand(bool enable) {
  ::EnableWindow(Item(ID_RESCAN), enable);
  HMENU menu = ::GetMenu(Handle());
  if (menu != nullptr) ::EnableMenuItem(menu, ID_SCAN, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void CVantrelDlg::EnableUndelete(bool enable) {
  ::EnableWindow(Item(IDC_UNDELETE), enable);
  HMENU menu = ::GetMenu(Handle());
  if (menu != nullptr) ::EnableMenuItem(menu, IDC_UNDELETE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void CVantrelDlg::EmptyList() {
  HWND list = Item(IDC_FILE_LIST);
  ListView_DeleteAllItems(list);
  ListView_SetItemCountEx(list, 0, 0);
}

void CVantrelDlg::ShowListing() {
  HWND list = Item(IDC_FILE_LIST);
  const int count = m_pCurrent == nullptr ? 0 : static_cast<int>(m_pCurrent->view.Entries().size());
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemCountEx(list, count, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  SetFolderStatus();
}

void CVantrelDlg::SetFolderStatus() {
  if (m_pCurrent == nullptr || !m_pCurrent->record.parser) return;
  const FolderView& view = m_pCurrent->view;
  SetStatusText(FillTemplate(LoadResourceString(IDS_FOLDER_STATUS), static_cast<wchar_t>(m_pCurrent->letter),
                             {view.DeletedStructures(), view.FilesMatched(), view.FoldersMatched()}));
}

void CVantrelDlg::Refilter() {
  m_bFilterPending = false;
  if (m_bBusy || m_pCurrent == nullptr || !m_pCurrent->record.parser || !m_pCurrent->record.parser->ScanStarted()) {
    return;
  }
  RefreshView(*m_pCurrent);
  ShowListing();
}

void CVantrelDlg::RefreshView(DriveSlot& drive) {
  drive.view.SetFilters(WindowTextOf(Item(IDC_FILE_FILTER)), WindowTextOf(Item(IDC_FOLDER_FILTER)));
  drive.view.SetSort(m_sortColumn, m_sortDirection);
  drive.view.Refresh();
}

void CVantrelDlg::ClearFilter() {
  ::SetDlgItemTextW(Handle(), IDC_FILE_FILTER, L"*.*");
  ::SetDlgItemTextW(Handle(), IDC_FOLDER_FILTER, L"");
  Refilter();
}

void CVantrelDlg::OnGetDispInfo(NMLVDISPINFOW& info) {
  if (m_pCurrent == nullptr) return;
  const auto& entries = m_pCurrent->view.Entries();
  if (info.item.iItem < 0 || static_cast<std::size_t>(info.item.iItem) >= entries.size()) return;
  const TreeNode& node = *entries[static_cast<std::size_t>(info.item.iItem)];
  if (info.item.mask & LVIF_TEXT) {
    const int column = info.item.iSubItem;
    if (column >= 0 && column < kViewColumnCount) {
      const auto which = static_cast<ViewColumn>(column);
      const std::string text =
          ColumnText(node, which, which == ViewColumn::Type ? ShellTypeNameOf(node) : std::string());
      CopyToBuffer(Wide(text), info.item.pszText, info.item.cchTextMax);
    }
  }
  if (info.item.mask & LVIF_IMAGE) {
    info.item.iImage = m_pCurrent->view.IsUpEntry(node) ? I_IMAGENONE : ShellIconIndex(node);
  }
}

void CVantrelDlg::OnColumnClick(int column) {
  if (m_bBusy || m_pCurrent == nullptr || column < 0 || column >= kViewColumnCount) return;
  FolderView& view = m_pCurrent->view;
  view.SetSort(m_sortColumn, m_sortDirection);
  view.SortBy(static_cast<ViewColumn>(column));
  m_sortColumn = view.SortColumn();
  m_sortDirection = view.Direction();
  ShowListing();
}

std::vector<TreeNode*> CVantrelDlg::SelectedEntries() const {
  std::vector<TreeNode*> selected;
  if (m_pCurrent == nullptr) return selected;
  const auto& entries = m_pCurrent->view.Entries();
  HWND list = Item(IDC_FILE_LIST);
  for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
    if (static_cast<std::size_t>(row) < entries.size()) selected.push_back(entries[static_cast<std::size_t>(row)]);
  }
  return selected;
}

void CVantrelDlg::OnListDoubleClick() {
  if (m_bBusy || m_pCurrent == nullptr) return;
  const std::vector<TreeNode*> selected = SelectedEntries();
  if (!selected.empty() && m_pCurrent->view.Open(*selected.front())) {
    EmptyList();
    RefreshView(*m_pCurrent);
    ShowListing();
    return;
  }
  UndeleteCommand();
}

bool CVantrelDlg::OnNotify(NMHDR& header, LRESULT& result) {
  result = 0;
  if (header.idFrom == IDC_DRIVE_TREE) {
    if (header.code == TVN_SELCHANGEDW) {
      if (!m_bFillingTree) OnDriveSelected();
      return true;
    }
    if (header.code == NM_DBLCLK) {
      ScanCommand();
      return true;
    }
    return false;
  }
  if (header.idFrom != IDC_FILE_LIST) return false;
  switch (header.code) {
    case LVN_GETDISPINFOW:
      OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(header));
      return true;
    case LVN_COLUMNCLICK:
      OnColumnClick(reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
      return true;
    case NM_DBLCLK:
      OnListDoubleClick();
      return true;
    default:
      return false;
  }
}

}  // namespace tv::gui
