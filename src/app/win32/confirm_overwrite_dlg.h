// The question asked before an entry overwrites a file of the same name in
// the destination folder: Yes, No, All or Cancel.
#pragma once

#include <string>

#include "app/workflow_host.h"
#include "dialog_base.h"

namespace tv::gui {

class CConfirmOwrtDlg : public CDialog {
 public:
  CConfirmOwrtDlg(HWND owner, std::string question);
  // Shows the question modally over the owner (from any thread).
  OverwriteAnswer Ask();

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnClose() override;

 private:
  std::string m_question;
  OverwriteAnswer m_answer = OverwriteAnswer::Cancel;
};

}  // namespace tv::gui
