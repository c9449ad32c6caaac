// The About box: the program's title, version and copyright, its web and
// e-mail links, and the Diagnostics button that writes the system report.
#pragma once

#include "dialog_base.h"
#include "hiper_link.h"
#include "product_strings.h"

namespace tv::gui {

class CAboutDlg : public CDialog {
 public:
  CAboutDlg(HWND owner, const ProductStrings& product);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnSetCursor(HWND window, UINT hitTest) override;
  HBRUSH OnCtlColorStatic(HDC dc, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void RunDiagnostics();

  const ProductStrings& m_product;
  CHiperLink m_homeLink;
  CHiperLink m_mailLink;
  HFONT m_hBold = nullptr;
};

}  // namespace tv::gui
