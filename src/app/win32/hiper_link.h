// A static control drawn as a link: blue, underlined, on a transparent
// background. The dialog that holds it routes its colours, cursor and
// clicks here (a plain static control lets mouse messages through to the
// dialog).
#pragma once

#include <windows.h>

namespace tv::gui {

class CHiperLink {
 public:
  CHiperLink() = default;
  CHiperLink(const CHiperLink&) = delete;
  CHiperLink& operator=(const CHiperLink&) = delete;
  ~CHiperLink();

  // Takes over the dialog's control `id`.
  void Attach(HWND dialog, int id);
  HWND Handle() const { return m_hWnd; }
  // True when `screenPoint` lies on the link.
  bool Contains(POINT screenPoint) const;
  // For WM_CTLCOLORSTATIC of this control.
  HBRUSH Colour(HDC dc) const;

 private:
  HWND m_hWnd = nullptr;
  HFONT m_hFont = nullptr;
};

}  // namespace tv::gui
