#include "confirm_overwrite_dlg.h"

#include <utility>

#include "resource.h"
#include "window_text.h"

namespace tv::gui {

CConfirmOwrtDlg::CConfirmOwrtDlg(HWND owner, std::string question)
    : CDialog(IDD_CONFIRM_OVERWRITE, owner), m_question(std::move(question)) {}

OverwriteAnswer CConfirmOwrtDlg::Ask() {
  m_answer = OverwriteAnswer::Cancel;
  RunBox();
  return m_answer;
}

bool CConfirmOwrtDlg::OnInitDialog() {
  SetWindowTextOf(Item(IDC_OVERWRITE_TEXT), m_question);
  ::SendMessageW(Item(IDC_OVERWRITE_ICON), STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_QUESTION)),
                 0);
  return true;
}

bool CConfirmOwrtDlg::OnCommand(int id, int /*code*/, HWND /*control*/) {
  switch (id) {
    case IDYES:
      m_answer = OverwriteAnswer::Yes;
      EndDialog(IDYES);
      return true;
    case IDNO:
      m_answer = OverwriteAnswer::No;
      EndDialog(IDNO);
      return true;
    case IDC_OVERWRITE_ALL:
      m_answer = OverwriteAnswer::All;
      EndDialog(3);
      return true;
    case IDCANCEL:
      m_answer = OverwriteAnswer::Cancel;
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

void CConfirmOwrtDlg::OnClose() {
  m_answer = OverwriteAnswer::Cancel;
  EndDialog(IDCANCEL);
}

}  // namespace tv::gui
