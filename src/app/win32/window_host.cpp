#include "window_host.h"

#include <commctrl.h>

#include "confirm_overwrite_dlg.h"
#include "window_text.h"

namespace tv::gui {

WindowHost::WindowHost(HWND mainWindow, HWND progressBar) : m_hMain(mainWindow), m_hProgress(progressBar) {}

void WindowHost::Progress(unsigned percent) {
  const int position = percent > 100 ? 100 : static_cast<int>(percent);
  if (m_lastPercent.exchange(position) == position) return;
  // Sent, not posted: the waiting window thread handles it in WhileWaiting.
  ::SendMessageW(m_hProgress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

OverwriteAnswer WindowHost::AskOverwrite(const std::string& question, const std::string& /*displayName*/) {
  CConfirmOwrtDlg dialog(m_hMain, question);
  return dialog.Ask();
}

void WindowHost::ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) {
  UINT type = MB_OK;
  if (kind == MessageKind::Information) type |= MB_ICONINFORMATION;
  if (kind == MessageKind::Error) type |= MB_ICONERROR;
  ShowBox(m_hMain, text, caption, type);
}

void WindowHost::WhileWaiting() {
  MSG message;
  if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Kept for the main loop, which ends the program once the work is done.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace tv::gui
