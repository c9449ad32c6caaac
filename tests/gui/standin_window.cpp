// A small window with the kinds of controls that the GUI tests drive, each
// of which reports what it was told in the status bar, so that
// gui_driver can be checked on its own, without the program under test:
// a drive tree, a virtual report list with a header, a filter edit, a
// button, a menu bar and a status bar holding a button of its own.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kTree = 1001;
constexpr int kList = 1008;
constexpr int kEdit = 1009;
constexpr int kButton = 32771;
constexpr int kStatus = 1040;
constexpr int kStop = 107;
constexpr int kBoxCommand = 32797;
constexpr int kRows = 40;
constexpr int kColumns = 7;

HWND g_status = nullptr;
bool g_reversed = false;
wchar_t g_cell[64];

void Report(const std::wstring& text) {
  SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

HMENU MakeMenu() {
  const HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, kBoxCommand, L"Ask");
  AppendMenuW(file, MF_STRING | MF_GRAYED, 1017, L"Undelete");
  const HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING | MF_CHECKED, 32773, L"About");
  const HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  return bar;
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void MakeControls(HWND window) {
  const HWND tree =
      Child(window, WC_TREEVIEWW, L"", WS_BORDER | TVS_HASLINES | TVS_SHOWSELALWAYS, 5, 5, 100, 300, kTree);
  for (const wchar_t* root : {L"C:", L"D:", L"Z:"}) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(root);
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
  }
  const HWND list = Child(window, WC_LISTVIEWW, L"", WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 110,
                          5, 600, 300, kList);
  for (int c = 0; c < kColumns; ++c) {
    wchar_t header[16];
    std::swprintf(header, 16, L"Col%d", c);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = header;
    column.cx = 80;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  SendMessageW(list, LVM_SETITEMCOUNT, kRows, 0);
  Child(window, L"EDIT", L"*.*", WS_BORDER | ES_AUTOHSCROLL, 110, 310, 200, 22, kEdit);
  Child(window, L"BUTTON", L"Scan C:", BS_PUSHBUTTON, 320, 310, 100, 22, kButton);
  g_status = Child(window, STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0, kStatus);
  Child(g_status, L"BUTTON", L"Cancel", BS_PUSHBUTTON, 300, 2, 60, 18, kStop);
  Report(L"ready");
}

LRESULT OnNotify(const NMHDR& header) {
  if (header.idFrom == kList && header.code == LVN_GETDISPINFOW) {
    auto& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
    if (item.mask & LVIF_TEXT) {
      const int row = g_reversed ? kRows - 1 - item.iItem : item.iItem;
      std::swprintf(g_cell, 64, L"r%d c%d \u00e9", row, item.iSubItem);
      const_cast<LVITEMW&>(item).pszText = g_cell;
    }
  } else if (header.idFrom == kList && header.code == LVN_COLUMNCLICK) {
    g_reversed = !g_reversed;
    Report(L"column " + std::to_wstring(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem));
    InvalidateRect(header.hwndFrom, nullptr, TRUE);
  } else if (header.idFrom == kList && header.code == NM_DBLCLK) {
    Report(L"double-click " + std::to_wstring(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem));
  } else if (header.idFrom == kTree && header.code == TVN_SELCHANGEDW) {
    wchar_t text[16] = {};
    TVITEMW item = reinterpret_cast<const NMTREEVIEWW&>(header).itemNew;
    item.mask = TVIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 16;
    SendMessageW(header.hwndFrom, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    Report(std::wstring(L"drive ") + text);
  }
  return 0;
}

void OnCommand(HWND window, int id, int code) {
  if (id == kEdit && code == EN_CHANGE) {
    wchar_t text[64] = {};
    GetDlgItemTextW(window, kEdit, text, 64);
    Report(std::wstring(L"filter ") + text);
  } else if (id == kBoxCommand) {
    const int answer = MessageBoxW(window, L"Proceed?\nSecond line", L"Standin Question", MB_YESNO | MB_ICONQUESTION);
    Report(L"answer " + std::to_wstring(answer));
  } else if (code == BN_CLICKED || code == 0) {
    Report(L"command " + std::to_wstring(id));
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: MakeControls(window); return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SIZE: SendMessageW(g_status, WM_SIZE, 0, 0); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW cls{};
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = L"GuiStandin";
  RegisterClassW(&cls);
  const HWND window = CreateWindowExW(0, L"GuiStandin", L"Standin Window", WS_OVERLAPPEDWINDOW, 20, 20, 760, 420,
                                      nullptr, MakeMenu(), instance, nullptr);
  ShowWindow(window, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
