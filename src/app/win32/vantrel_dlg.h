// The main window: the drive tree, the list of the current folder's entries
// with its filters, the destination folder and Undelete, the menu and the
// status bar with its progress bar and Cancel button. It only translates
// messages: listing, filters, sort and navigation are the FolderView's,
// scans and recoveries the workflow's.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/folder_view.h"
#include "app/scan_controller.h"
#include "dialog_base.h"
#include "my_static.h"
#include "product_strings.h"
#include "resize_context.h"

namespace tv::gui {

// One drive of the tree with its scan and the folder shown from it.
struct DriveSlot {
  explicit DriveSlot(char driveLetter);
  char letter;
  DriveRecord record;
  FolderView view;
};

class CVantrelDlg : public CDialog {
 public:
  CVantrelDlg();
  ~CVantrelDlg() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR& header, LRESULT& result) override;
  void OnSize(UINT type, int width, int height) override;
  bool OnGetMinMaxInfo(MINMAXINFO& info) override;
  bool OnSetCursor(HWND window, UINT hitTest) override;
  bool OnSysCommand(WPARAM command) override;
  HBRUSH OnCtlColorStatic(HDC dc, HWND control) override;
  void OnClose() override;

 private:
  // ---- Start-up (vantrel_dlg.cpp) ----
  void AddAboutToSystemMenu();
  void CreateStatusBar();
  void CreateViewToolbar();
  void FillDriveTree();
  void SetUpList();
  void SetUpLayout();
  void ReadProductStrings();
  void InsertMenus();

  // ---- Commands (vantrel_dlg.cpp) ----
  void OpenLogFolder();
  void ShowHelp(const wchar_t* topic);
  void OpenWebAddress(const std::string& address);
  void ShowAbout();
  void SetViewMode(int command);
  void Browse();

  // ---- Drives and the list (vantrel_dlg_list.cpp) ----
  DriveSlot* SelectedDrive() const;
  void OnDriveSelected();
  // The overlays, texts and command states of a drive that is not scanned.
  void ShowDriveNotScanned(DriveSlot& drive);
  void SetScanCommandText(const wchar_t* pattern, wchar_t letter);
  void EnableScanCommand(bool enable);
  void EnableUndelete(bool enable);
  void ShowListing();
  // Lists the drive's current folder under the window's filters and sort.
  void RefreshView(DriveSlot& drive);
  void EmptyList();
  void SetFolderStatus();
  void Refilter();
  void ClearFilter();
  void OnGetDispInfo(NMLVDISPINFOW& info);
  void OnColumnClick(int column);
  void OnListDoubleClick();
  std::vector<TreeNode*> SelectedEntries() const;

  // ---- Scan and recovery (vantrel_dlg_work.cpp) ----
  void ScanCommand();
  void AskForLoggingMode();
  void UndeleteCommand();
  // Status bar in two parts with the progress bar and Cancel, wait cursor.
  void BeginWork(const std::wstring& statusText);
  void EndWork();
  void ReportScanEnd(const DriveSlot& drive);
  void EnableTopMenus(bool enable);

  void SetStatusText(const std::wstring& text);

  std::vector<std::unique_ptr<DriveSlot>> m_drives;
  DriveSlot* m_pCurrent = nullptr;
  bool m_bBusy = false;
  bool m_bCloseRequested = false;
  bool m_bFilterPending = false;
  bool m_bFillingTree = false;
  int m_viewMode = 59411;
  // The sort belongs to the window: every drive's listing follows it.
  ViewColumn m_sortColumn = ViewColumn::Name;
  SortDirection m_sortDirection = SortDirection::None;

  ProductStrings m_product;
  std::wstring m_helpPath;

  HIMAGELIST m_hTreeImages = nullptr;
  HWND m_hStatus = nullptr;
  HWND m_hProgress = nullptr;
  HWND m_hStop = nullptr;
  HWND m_hToolbar = nullptr;
  HFONT m_hStopFont = nullptr;
  HBRUSH m_hOverlayBrush = nullptr;
  CMyStatic m_readyOverlay;
  CMyStatic m_unsupportedOverlay;
  ResizeContext m_resize;
};

}  // namespace tv::gui
