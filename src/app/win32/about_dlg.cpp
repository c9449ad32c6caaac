#include "about_dlg.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "platform/files.h"
#include "resource.h"
#include "tvcore_binding.h"
#include "window_text.h"

namespace tv::gui {
namespace {

void Open(HWND owner, const std::wstring& target) {
  if (!target.empty()) ::ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

CAboutDlg::CAboutDlg(HWND owner, const ProductStrings& product) : CDialog(IDD_ABOUTBOX, owner), m_product(product) {}

bool CAboutDlg::OnInitDialog() {
  m_homeLink.Attach(Handle(), IDC_ABOUT_HOME);
  m_mailLink.Attach(Handle(), IDC_ABOUT_MAIL);
  ::SetDlgItemTextW(Handle(), IDC_ABOUT_MAIL, LoadResourceString(IDS_SUPPORT_EMAIL).c_str());
  ::SetDlgItemTextW(Handle(), IDC_ABOUT_HOME, LoadResourceString(IDS_HOME_URL).c_str());
  // The texts shown are the settings; the targets opened stay the string
  // table's.
  SetWindowTextOf(Item(IDC_ABOUT_TITLE), m_product.WindowTitle());
  SetWindowTextOf(Item(IDC_ABOUT_COPYRIGHT), m_product.copyright);
  if (!m_product.homeUrl.empty()) SetWindowTextOf(Item(IDC_ABOUT_HOME), m_product.homeUrl);
  if (!m_product.supportEmail.empty()) SetWindowTextOf(Item(IDC_ABOUT_MAIL), m_product.supportEmail);

  LOGFONTW bold{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof bold, &bold);
  bold.lfWeight = FW_BOLD;
  m_hBold = ::CreateFontIndirectW(&bold);
  ::SendMessageW(Item(IDC_ABOUT_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(m_hBold), FALSE);
  return true;
}

bool CAboutDlg::OnCommand(int id, int /*code*/, HWND /*control*/) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
      if (m_hBold != nullptr) {
        ::SendMessageW(Item(IDC_ABOUT_TITLE), WM_SETFONT, 0, FALSE);
        ::DeleteObject(m_hBold);
        m_hBold = nullptr;
      }
      EndDialog(id);
      return true;
    case IDC_ABOUT_DIAGNOSTICS:
      RunDiagnostics();
      return true;
    default:
      return false;
  }
}

bool CAboutDlg::OnSetCursor(HWND /*window*/, UINT /*hitTest*/) {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  if (!m_homeLink.Contains(cursor) && !m_mailLink.Contains(cursor)) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
  return true;
}

HBRUSH CAboutDlg::OnCtlColorStatic(HDC dc, HWND control) {
  if (control == m_homeLink.Handle()) return m_homeLink.Colour(dc);
  if (control == m_mailLink.Handle()) return m_mailLink.Colour(dc);
  return nullptr;
}

bool CAboutDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam, INT_PTR& result) {
  if (message != WM_LBUTTONDOWN) return false;
  // Where the button went down, in the box's client area.
  POINT click{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ClientToScreen(Handle(), &click);
  if (m_homeLink.Contains(click)) {
    Open(Handle(), LoadResourceString(IDS_HOME_URL));
  } else if (m_mailLink.Contains(click)) {
    Open(Handle(), L"mailto:" + LoadResourceString(IDS_SUPPORT_EMAIL) + L"?Subject=\"" +
                       LoadResourceString(IDS_MAIL_SUBJECT) + L"\"");
  }
  result = 0;
  return true;
}

void CAboutDlg::RunDiagnostics() {
  const std::wstring caption = LoadResourceString(IDS_DIAG_CAPTION);
  if (::MessageBoxW(Handle(), LoadResourceString(IDS_DIAG_QUESTION).c_str(), caption.c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  std::wstring filter = LoadResourceString(IDS_DIAG_FILTER);
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.push_back(L'\0');
  wchar_t file[256] = L"tvdiag.zip";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Handle();
  dialog.lpstrTitle = caption.c_str();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = 255;
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  if (!::GetSaveFileNameW(&dialog)) return;
  const std::string path = Utf8(file);
  ::DeleteFileW(file);
  const auto diag = Tvcore().tvDiag;
  if (diag == nullptr) return;
  const int errors = diag(path.c_str(), 1, nullptr, "GUI", 0);
  // Tell the user where the report went, or that it could not be written.
  if (errors >= 0 && platform::PathExists(path)) {
    ShowBox(Handle(),
            "The diagnostics report was written to " + path + ".\nPlease e-mail this file to " +
                Utf8(LoadResourceString(IDS_SUPPORT_EMAIL)) + ".",
            Utf8(caption), MB_OK | MB_ICONINFORMATION);
  } else if (errors >= 0) {
    ShowBox(Handle(), "The diagnostics report could not be written to " + path + ".", Utf8(caption),
            MB_OK | MB_ICONERROR);
  }
}

}  // namespace tv::gui
