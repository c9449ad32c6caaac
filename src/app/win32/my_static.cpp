#include "my_static.h"

namespace tv::gui {

bool CMyStatic::Create(HWND parent, int id, const std::wstring& text) {
  m_hWnd = ::CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | SS_CENTER | SS_CENTERIMAGE | WS_BORDER, 0, 0,
                             kWidth, kHeight, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  if (m_hWnd == nullptr) return false;
  ::SendMessageW(m_hWnd, WM_SETFONT, ::SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  return true;
}

void CMyStatic::SetText(const std::wstring& text) {
  if (m_hWnd != nullptr) ::SetWindowTextW(m_hWnd, text.c_str());
}

void CMyStatic::ShowOver(HWND below) {
  if (m_hWnd == nullptr || below == nullptr) return;
  RECT area{};
  ::GetWindowRect(below, &area);
  ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&area), 2);
  const int left = area.left + ((area.right - area.left) - kWidth) / 2;
  const int top = area.top + ((area.bottom - area.top) - kHeight) / 2;
  ::SetWindowPos(m_hWnd, HWND_TOP, left, top, kWidth, kHeight, SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void CMyStatic::Hide() {
  if (m_hWnd != nullptr) ::ShowWindow(m_hWnd, SW_HIDE);
}

bool CMyStatic::Visible() const { return m_hWnd != nullptr && ::IsWindowVisible(m_hWnd); }

}  // namespace tv::gui
