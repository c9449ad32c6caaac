#include "vantrel_dlg.h"

#include <htmlhelp.h>
#include <shellapi.h>
#include <shlobj.h>

#include "about_dlg.h"
#include "app/log_location.h"
#include "app/version.h"
#include "mft_dump_dlg.h"
#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/product_folder.h"
#include "platform/files.h"
#include "resource.h"
#include "tvcore_binding.h"
#include "window_text.h"

namespace tv::gui {
namespace {

// Used when the settings name no support address.
constexpr const char* kBuiltInSupportEmail = "support@vantrel.example";
constexpr int kProductStringSize = 255;
constexpr int kMaxDrives = 32;

std::string ReadRegistrationString(const char* key) {
  const auto read = Tvcore().readProfileString;
  if (read == nullptr) return {};
  char buffer[kProductStringSize + 1] = {};
  read("Registration", key, "", buffer, kProductStringSize, 1);
  buffer[kProductStringSize] = '\0';
  return buffer;
}

}  // namespace

DriveSlot::DriveSlot(char driveLetter) : letter(driveLetter), record{}, view(record) {
  record.volume = std::string(1, driveLetter) + ":";
}

CVantrelDlg::CVantrelDlg() : CDialog(IDD_VANTREL_DIALOG, nullptr) {}

CVantrelDlg::~CVantrelDlg() {
  if (m_hTreeImages != nullptr) ::ImageList_Destroy(m_hTreeImages);
  if (m_hStopFont != nullptr) ::DeleteObject(m_hStopFont);
  if (m_hOverlayBrush != nullptr) ::DeleteObject(m_hOverlayBrush);
}

bool CVantrelDlg::OnInitDialog() {
  LoadTvcore();
  AddAboutToSystemMenu();
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  ::SetDlgItemTextW(Handle(), IDC_FILE_FILTER, L"*.*");
  ::SetDlgItemTextW(Handle(), IDC_FOLDER_FILTER, L"*");
  ::SetDlgItemTextW(Handle(), IDC_DESTINATION, L"C:\\");

  CreateStatusBar();
  m_bFillingTree = true;
  FillDriveTree();
  m_bFillingTree = false;
  SetUpList();
  CreateViewToolbar();
  m_hOverlayBrush = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
  m_readyOverlay.Create(Handle(), IDC_READY_OVERLAY, L"Scan drive C: for deleted files");
  m_unsupportedOverlay.Create(Handle(), IDC_UNSUPPORTED_OVERLAY, L"Drive C: undelete is not supported");
  SetUpLayout();
  OnDriveSelected();

  Log().Message("Reading strings from ini and preparing interface");
  ReadProductStrings();
  InsertMenus();
  Log().Message("End of preparing interface");
  return true;
}

void CVantrelDlg::AddAboutToSystemMenu() {
  HMENU system = ::GetSystemMenu(Handle(), FALSE);
  if (system == nullptr) return;
  const std::wstring about = LoadResourceString(IDS_ABOUTBOX);
  if (about.empty()) return;
  ::AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(system, MF_STRING, IDM_ABOUT_SYSTEM, about.c_str());
}

void CVantrelDlg::CreateStatusBar() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  m_hStatus = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP, 0,
                                0, 0, 0, Handle(), reinterpret_cast<HMENU>(IDC_STATUS_BAR), instance, nullptr);
  // The progress bar and Cancel are the dialog's own children laid over the
  // status bar, so that Cancel's click reaches the dialog.
  m_hProgress = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, Handle(),
                                  reinterpret_cast<HMENU>(IDC_PROGRESS), instance, nullptr);
  ::SendMessageW(m_hProgress, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(m_hProgress, PBM_SETPOS, 0, 0);
  m_hStop = ::CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | BS_PUSHBUTTON | BS_FLAT, 0, 0, 0, 0, Handle(),
                              reinterpret_cast<HMENU>(IDC_STOP), instance, nullptr);
  LOGFONTW font{};
  HDC screen = ::GetDC(Handle());
  font.lfHeight = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
  ::ReleaseDC(Handle(), screen);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(font.lfFaceName, L"MS Sans Serif");
  m_hStopFont = ::CreateFontIndirectW(&font);
  ::SendMessageW(m_hStop, WM_SETFONT, reinterpret_cast<WPARAM>(m_hStopFont), FALSE);
}

void CVantrelDlg::CreateViewToolbar() {
  // Four check buttons for the list's view modes, at the top of the list
  // beside the Rescan button.
  m_hToolbar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                                     CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                 0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(IDC_VIEW_TOOLBAR),
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (m_hToolbar == nullptr) return;
  ::SendMessageW(m_hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBADDBITMAP bitmaps{HINST_COMMCTRL, IDB_VIEW_SMALL_COLOR};
  ::SendMessageW(m_hToolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&bitmaps));
  const int images[] = {VIEW_SMALLICONS, VIEW_LARGEICONS, VIEW_LIST, VIEW_DETAILS};
  TBBUTTON buttons[4]{};
  for (int i = 0; i < 4; ++i) {
    buttons[i].iBitmap = images[i];
    buttons[i].idCommand = ID_VIEW_SMALL_ICONS + i;
    buttons[i].fsState = TBSTATE_ENABLED | (ID_VIEW_SMALL_ICONS + i == m_viewMode ? TBSTATE_CHECKED : 0);
    buttons[i].fsStyle = BTNS_CHECKGROUP;
  }
  ::SendMessageW(m_hToolbar, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons));
  RECT place{124, 7, 220, 22};  // dialog units, right of the Rescan button
  ::MapDialogRect(Handle(), &place);
  ::SetWindowPos(m_hToolbar, nullptr, place.left, place.top - 2, place.right - place.left, place.bottom - place.top + 4,
                 SWP_NOZORDER);
}

void CVantrelDlg::FillDriveTree() {
  HWND tree = Item(IDC_DRIVE_TREE);
  m_hTreeImages = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 10);
  TreeView_SetImageList(tree, m_hTreeImages, TVSIL_NORMAL);
  wchar_t roots[128] = {};
  const DWORD length = ::GetLogicalDriveStringsW(127, roots);
  if (length == 0 || length > 127) {
    ShowBox(Handle(), "Error Getting Logical DriveStrings!", "", MB_OK | MB_ICONHAND);
    return;
  }
  HTREEITEM driveC = nullptr;
  HTREEITEM first = nullptr;
  for (const wchar_t* root = roots; *root != L'\0' && m_drives.size() < kMaxDrives; root += wcslen(root) + 1) {
    SHFILEINFOW closed{};
    SHFILEINFOW open{};
    if (::SHGetFileInfoW(root, 0, &closed, sizeof closed, SHGFI_ICON | SHGFI_SMALLICON) == 0 ||
        ::SHGetFileInfoW(root, 0, &open, sizeof open, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_OPENICON) == 0) {
      ShowBox(Handle(), "Error Gettting SystemFileInfo!", "", MB_OK | MB_ICONHAND);
      return;
    }
    const int closedImage = ::ImageList_AddIcon(m_hTreeImages, closed.hIcon);
    const int openImage = ::ImageList_AddIcon(m_hTreeImages, open.hIcon);
    ::DestroyIcon(closed.hIcon);
    ::DestroyIcon(open.hIcon);

    std::wstring text(root);
    if (!text.empty() && text.back() == L'\\') text.pop_back();
    const wchar_t letter = text.empty() ? L'?' : text[0];
    m_drives.push_back(std::make_unique<DriveSlot>(static_cast<char>(letter < 0x80 ? letter : L'?')));

    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.iImage = closedImage;
    insert.item.iSelectedImage = openImage;
    insert.item.lParam = static_cast<LPARAM>(m_drives.size() - 1);
    HTREEITEM item = TreeView_InsertItem(tree, &insert);
    if (first == nullptr) first = item;
    if (letter == L'C' || letter == L'c') driveC = item;
  }
  HTREEITEM selected = driveC != nullptr ? driveC : first;
  if (selected != nullptr) TreeView_SelectItem(tree, selected);
}

void CVantrelDlg::SetUpList() {
  HWND list = Item(IDC_FILE_LIST);
  SHFILEINFOW info{};
  auto small = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(
      L".", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON));
  auto large = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(
      L".", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_LARGEICON));
  // The system's lists are shared: the list must not destroy them.
  ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  ListView_SetImageList(list, small, LVSIL_SMALL);
  ListView_SetImageList(list, large, LVSIL_NORMAL);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  struct Column {
    UINT text;
    int width;
    int format;
  };
  const Column columns[kViewColumnCount] = {
      {IDS_COLUMN_FILE, 120, LVCFMT_LEFT},      {IDS_COLUMN_TYPE, 90, LVCFMT_LEFT},
      {IDS_COLUMN_FOLDER, 90, LVCFMT_LEFT},     {IDS_COLUMN_STATUS, 45, LVCFMT_LEFT},
      {IDS_COLUMN_SIZE, 50, LVCFMT_LEFT},       {IDS_COLUMN_MODIFIED, 100, LVCFMT_RIGHT},
      {IDS_COLUMN_CREATED, 100, LVCFMT_RIGHT}};
  for (int i = 0; i < kViewColumnCount; ++i) {
    std::wstring header = LoadResourceString(columns[i].text);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = columns[i].format;
    column.cx = columns[i].width;
    column.pszText = header.data();
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
}

void CVantrelDlg::SetUpLayout() {
  if (!m_resize.Init(Handle(), IDD_VANTREL_DIALOG)) return;
  m_resize.Add(IDC_FILE_LIST, kMoveRight | kMoveBottom);
  m_resize.Add(IDC_DRIVE_TREE, kMoveBottom);
  for (int id : {IDC_FILE_FILTER_LABEL, IDC_DESTINATION_LABEL, IDC_LINE_FILES, IDC_FILE_FILTER, IDC_DESTINATION}) {
    m_resize.Add(id, kMoveRight | kMoveTop | kMoveBottom);
  }
  for (int id : {IDC_FOLDER_FILTER_LABEL, IDC_LINE_FOLDERS, IDC_FOLDER_FILTER, IDC_CLEAR_FILTER, IDC_BROWSE,
                 IDC_UNDELETE}) {
    m_resize.Add(id, kMoveLeft | kMoveRight | kMoveTop | kMoveBottom);
  }
  RECT client{};
  ::GetClientRect(Handle(), &client);
  OnSize(SIZE_RESTORED, client.right, client.bottom);
}

void CVantrelDlg::ReadProductStrings() {
  m_product.supportEmail = ReadRegistrationString("SupportEmail");
  if (m_product.supportEmail.empty()) m_product.supportEmail = kBuiltInSupportEmail;
  m_product.supportUrl = ReadRegistrationString("SupportURL");
  m_product.homeUrl = ReadRegistrationString("HomeURL");
  m_product.copyright = ReadRegistrationString("Copyright");
  m_product.title = ReadRegistrationString("ProgramTitle");
  m_product.version = ReadRegistrationString("Version");
  m_product.versionDescription = ReadRegistrationString("VersionDesc");
  // Settings without the program's own strings (no installer wrote them)
  // still give a title.
  if (m_product.title.empty()) m_product.title = "Vantrel";
  if (m_product.version.empty()) m_product.version = kVersionString;
  SetWindowTextOf(Handle(), m_product.WindowTitle());

  wchar_t module[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder(module, length < MAX_PATH ? length : 0);
  const std::size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
  m_helpPath = folder + L"vtl.chm";
}

void CVantrelDlg::InsertMenus() {
  HMENU menu = ::GetMenu(Handle());
  if (menu == nullptr) return;
  if (Tvcore().insertToolboxMenu != nullptr) {
    // The maker's installers describe their products in the shared
    // program-files folder; the library appends its own folder name.
    wchar_t shared[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, shared))) {
      std::string folder = Utf8(shared);
      char buffer[MAX_PATH + 64] = {};
      if (folder.size() < MAX_PATH) {
        folder.copy(buffer, folder.size());
        Tvcore().insertToolboxMenu(menu, buffer);
      }
    }
  }
  HMENU file = ::GetSubMenu(menu, 0);
  if (file != nullptr && ::GetMenuState(file, ID_OPEN_LOG_FOLDER, MF_BYCOMMAND) == static_cast<UINT>(-1)) {
    const int last = ::GetMenuItemCount(file) - 1;
    if (last >= 0) {
      ::InsertMenuW(file, static_cast<UINT>(last), MF_BYPOSITION | MF_STRING, ID_OPEN_LOG_FOLDER,
                    L"Open &Log Folder..");
      ::InsertMenuW(file, static_cast<UINT>(last + 1), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    }
  }
  ::DrawMenuBar(Handle());
}

bool CVantrelDlg::OnCommand(int id, int code, HWND /*control*/) {
  if (id >= ID_TOOLBOX_FIRST && id <= ID_TOOLBOX_LAST) {
    if (Tvcore().onToolboxProducts != nullptr) Tvcore().onToolboxProducts(id);
    return true;
  }
  switch (id) {
    case ID_RESCAN:
    case ID_SCAN:
      ScanCommand();
      return true;
    case IDC_UNDELETE:
      UndeleteCommand();
      return true;
    case IDC_STOP:
      BreakFlag() = 1;
      return true;
    case IDC_FILE_FILTER:
    case IDC_FOLDER_FILTER:
      if (code == EN_CHANGE) {
        m_bFilterPending = true;
        Refilter();
      } else if (code == EN_KILLFOCUS && m_bFilterPending) {
        Refilter();
      }
      return true;
    case IDOK:  // Enter, in a filter field or anywhere else
      Refilter();
      return true;
    case IDCANCEL:  // Escape: the window stays; closing is the close box's or Exit's
      return true;
    case IDC_CLEAR_FILTER:
      ClearFilter();
      return true;
    case IDC_BROWSE:
      Browse();
      return true;
    case ID_OPEN_LOG_FOLDER:
      OpenLogFolder();
      return true;
    case ID_HELP_CONTENTS:
      ShowHelp(nullptr);
      return true;
    case ID_TOOLBOX_REFERENCE:
      ShowHelp(L"::/toolbox.html");
      return true;
    case ID_SUPPORT_ONLINE:
      OpenWebAddress(m_product.supportUrl);
      return true;
    case ID_HOME_SITE:
      OpenWebAddress(m_product.homeUrl);
      return true;
    case ID_ABOUT:
      ShowAbout();
      return true;
    case ID_MFT_DUMP: {
      if (m_bBusy) return true;
      CMFTDumpDlg dump(Handle());
      dump.RunBox();
      return true;
    }
    case ID_VIEW_SMALL_ICONS:
    case ID_VIEW_ICONS:
    case ID_VIEW_LIST:
    case ID_VIEW_DETAILS:
      SetViewMode(id);
      return true;
    case ID_EXIT:
      if (m_bBusy) return true;
      EndDialog(1);
      return true;
    default:
      return false;
  }
}

bool CVantrelDlg::OnSysCommand(WPARAM command) {
  const WPARAM id = command & 0xFFF0;
  if (id >= 16 && id <= 31) {
    ShowAbout();
    return true;
  }
  return false;
}

void CVantrelDlg::OnClose() {
  if (m_bBusy) {
    // The worker stops at its next test of the break flag; the command that
    // waits for it ends the dialog then (vantrel_dlg_work.cpp).
    m_bCloseRequested = true;
    BreakFlag() = 1;
    return;
  }
  EndDialog(0);
}

void CVantrelDlg::OnSize(UINT type, int width, int height) {
  if (type == SIZE_MINIMIZED) return;
  m_resize.Apply(width, height);
  if (m_hStatus != nullptr) ::SendMessageW(m_hStatus, WM_SIZE, 0, 0);
  if (m_readyOverlay.Visible()) m_readyOverlay.ShowOver(Item(IDC_FILE_LIST));
  if (m_unsupportedOverlay.Visible()) m_unsupportedOverlay.ShowOver(Item(IDC_FILE_LIST));
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

bool CVantrelDlg::OnGetMinMaxInfo(MINMAXINFO& info) {
  const SIZE minimum = m_resize.MinimumSize();
  if (minimum.cx <= 0) return false;
  info.ptMinTrackSize.x = minimum.cx;
  info.ptMinTrackSize.y = minimum.cy;
  return true;
}

bool CVantrelDlg::OnSetCursor(HWND /*window*/, UINT hitTest) {
  if (hitTest != HTCLIENT) return false;
  ::SetCursor(::LoadCursorW(nullptr, m_bBusy ? IDC_WAIT : IDC_ARROW));
  return true;
}

HBRUSH CVantrelDlg::OnCtlColorStatic(HDC dc, HWND control) {
  if (control != m_readyOverlay.Handle() && control != m_unsupportedOverlay.Handle()) return nullptr;
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  return m_hOverlayBrush;
}

void CVantrelDlg::OpenLogFolder() {
  const std::string logFile = DefaultLogPath(DefaultTvcorePath());
  if (!platform::PathExists(logFile)) return;
  // The folder above the log folder, where the program keeps its files.
  std::string folder = logFile.substr(0, logFile.find_last_of("\\/") == std::string::npos
                                             ? 0
                                             : logFile.find_last_of("\\/"));
  const std::size_t parent = folder.find_last_of("\\/");
  if (parent != std::string::npos) folder = folder.substr(0, parent);
  if (folder.empty()) return;
  ::ShellExecuteW(Handle(), L"open", Wide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CVantrelDlg::ShowHelp(const wchar_t* topic) {
  if (::GetFileAttributesW(m_helpPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ShowBox(Handle(), "The help file " + Utf8(m_helpPath) + " is not installed.", "", MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::wstring target = topic == nullptr ? m_helpPath : m_helpPath + topic;
  ::HtmlHelpW(Handle(), target.c_str(), topic == nullptr ? HH_DISPLAY_TOC : HH_DISPLAY_TOPIC, 0);
}

void CVantrelDlg::OpenWebAddress(const std::string& address) {
  if (address.empty()) return;
  ::ShellExecuteW(Handle(), L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CVantrelDlg::ShowAbout() {
  CAboutDlg about(Handle(), m_product);
  about.RunBox();
}

void CVantrelDlg::SetViewMode(int command) {
  static constexpr DWORD kModes[] = {LV_VIEW_SMALLICON, LV_VIEW_ICON, LV_VIEW_LIST, LV_VIEW_DETAILS};
  m_viewMode = command;
  HMENU menu = ::GetMenu(Handle());
  for (int mode = ID_VIEW_SMALL_ICONS; mode <= ID_VIEW_DETAILS; ++mode) {
    const bool chosen = mode == command;
    if (menu != nullptr) ::CheckMenuItem(menu, static_cast<UINT>(mode), MF_BYCOMMAND | (chosen ? MF_CHECKED : MF_UNCHECKED));
    if (m_hToolbar != nullptr) ::SendMessageW(m_hToolbar, TB_CHECKBUTTON, static_cast<WPARAM>(mode), chosen);
  }
  ListView_SetView(Item(IDC_FILE_LIST), kModes[command - ID_VIEW_SMALL_ICONS]);
}

void CVantrelDlg::Browse() {
  BROWSEINFOW browse{};
  browse.hwndOwner = Handle();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return;
  wchar_t path[MAX_PATH] = {};
  const bool got = ::SHGetPathFromIDListW(chosen, path) != FALSE;
  ::CoTaskMemFree(chosen);
  if (!got) return;
  std::wstring folder(path);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  ::SetDlgItemTextW(Handle(), IDC_DESTINATION, folder.c_str());
}

void CVantrelDlg::SetStatusText(const std::wstring& text) {
  if (m_hStatus != nullptr) ::SendMessageW(m_hStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace tv::gui
