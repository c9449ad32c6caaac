// A thin base for the program's dialogs: the dialog procedure turns messages
// into virtual calls, and no exception crosses it. An exception thrown by a
// handler ends the dialog and is thrown again by DoModal / RunBox on the
// caller's side.
#pragma once

#include <windows.h>

#include <exception>

namespace tv::gui {

class CDialog {
 public:
  CDialog(UINT templateId, HWND owner);
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog();

  // The main window's run: a modeless dialog with a message loop of its
  // own, so that the accelerators work. The result given to EndDialog.
  INT_PTR DoModal(HACCEL accelerators = nullptr);
  // A small modal dialog of the system (DialogBoxParam), from any thread.
  INT_PTR RunBox();

  HWND Handle() const { return m_hWnd; }
  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void EndDialog(INT_PTR result);
  bool Ended() const { return m_bEnded; }

 protected:
  // Return true from a handler that took the message.
  virtual bool OnInitDialog() { return true; }
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual bool OnNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
  virtual void OnSize(UINT /*type*/, int /*width*/, int /*height*/) {}
  virtual bool OnGetMinMaxInfo(MINMAXINFO& /*info*/) { return false; }
  virtual bool OnSetCursor(HWND /*window*/, UINT /*hitTest*/) { return false; }
  virtual bool OnSysCommand(WPARAM /*command*/) { return false; }
  // A brush for a static control's background, or null for the default.
  virtual HBRUSH OnCtlColorStatic(HDC /*dc*/, HWND /*control*/) { return nullptr; }
  virtual void OnClose() { EndDialog(IDCANCEL); }
  // Any other message; true when handled, with its result in `result`.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
    return false;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  void Fail(std::exception_ptr error);

  UINT m_templateId;
  HWND m_hOwner;
  HWND m_hWnd = nullptr;
  bool m_bModeless = false;
  bool m_bEnded = false;
  INT_PTR m_result = 0;
  std::exception_ptr m_error;
};

}  // namespace tv::gui
