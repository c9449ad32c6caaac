// A thin base for the library's modal dialogs: it turns the messages a
// dialog cares about into virtual calls and keeps exceptions from crossing
// the window procedure.
#pragma once

#include "tvcore/win32/windows_text.h"

namespace tv::tvcore::win32 {

class Dialog {
 public:
  virtual ~Dialog() = default;

  // Shows the dialog template `templateId` of the library, owned by `owner`
  // (may be null), and answers the code it ended with; -1 when it could not
  // be shown.
  INT_PTR RunModal(int templateId, HWND owner);

 protected:
  // WM_INITDIALOG; true lets the system give the focus to the first control.
  virtual bool OnInit() { return true; }
  // WM_COMMAND from a control or an accelerator; true when handled.
  virtual bool OnCommand(int id, int notification) {
    (void)id;
    (void)notification;
    return false;
  }

  HWND window() const { return window_; }
  HWND Item(int id) const { return ::GetDlgItem(window_, id); }
  void SetItemText(int id, const std::string& text) const;
  void End(INT_PTR result) const { ::EndDialog(window_, result); }
  // Places the dialog over the centre of its owner, or of the screen's work
  // area without one, and keeps it inside the work area.
  void CentreOverOwner() const;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

}  // namespace tv::tvcore::win32
