#include "hiper_link.h"

namespace tv::gui {

CHiperLink::~CHiperLink() {
  if (m_hFont != nullptr) ::DeleteObject(m_hFont);
}

void CHiperLink::Attach(HWND dialog, int id) {
  m_hWnd = ::GetDlgItem(dialog, id);
  if (m_hWnd == nullptr) return;
  LOGFONTW font{};
  HDC screen = ::GetDC(dialog);
  font.lfHeight = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
  ::ReleaseDC(dialog, screen);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = TRUE;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(font.lfFaceName, L"MS Sans Serif");
  m_hFont = ::CreateFontIndirectW(&font);
  ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), TRUE);
}

bool CHiperLink::Contains(POINT screenPoint) const {
  if (m_hWnd == nullptr) return false;
  RECT place{};
  ::GetWindowRect(m_hWnd, &place);
  return ::PtInRect(&place, screenPoint) != FALSE;
}

HBRUSH CHiperLink::Colour(HDC dc) const {
  ::SetTextColor(dc, RGB(0, 0, 255));
  ::SetBkMode(dc, TRANSPARENT);
  return ::GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace tv::gui
