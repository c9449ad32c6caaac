// The overlay labels that lie centred over the file list before a drive is
// scanned: "Scan drive ..." and "... undelete is not supported".
#pragma once

#include <windows.h>

#include <string>

namespace tv::gui {

class CMyStatic {
 public:
  static constexpr int kWidth = 328;
  static constexpr int kHeight = 30;

  // A hidden label child of `parent` with `text`.
  bool Create(HWND parent, int id, const std::wstring& text);
  HWND Handle() const { return m_hWnd; }
  void SetText(const std::wstring& text);
  // Shows the label centred over `below` (a sibling), above it.
  void ShowOver(HWND below);
  void Hide();
  bool Visible() const;

 private:
  HWND m_hWnd = nullptr;
};

}  // namespace tv::gui
