#include "dialog_base.h"

namespace tv::gui {

CDialog::CDialog(UINT templateId, HWND owner) : m_templateId(templateId), m_hOwner(owner) {}

CDialog::~CDialog() {
  if (m_bModeless && m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HACCEL accelerators) {
  m_bModeless = true;
  m_bEnded = false;
  HWND window = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_hOwner,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
  if (window != nullptr && !m_bEnded) {
    if (m_hOwner != nullptr) ::EnableWindow(m_hOwner, FALSE);
    ::ShowWindow(window, SW_SHOW);
    MSG message;
    while (!m_bEnded) {
      const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      if (got < 0) break;
      if (accelerators != nullptr && ::TranslateAcceleratorW(window, accelerators, &message)) continue;
      if (::IsDialogMessageW(window, &message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (m_hOwner != nullptr) ::EnableWindow(m_hOwner, TRUE);
  }
  if (m_hWnd != nullptr) {
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
  }
  if (m_error) std::rethrow_exception(m_error);
  return window == nullptr ? -1 : m_result;
}

INT_PTR CDialog::RunBox() {
  m_bModeless = false;
  const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_hOwner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  if (m_error) std::rethrow_exception(m_error);
  return result;
}

void CDialog::EndDialog(INT_PTR result) {
  m_result = result;
  m_bEnded = true;
  if (!m_bModeless && m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
  // Wakes the message loop, which waits for the next message.
  if (m_bModeless && m_hWnd != nullptr) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::Fail(std::exception_ptr error) {
  if (!m_error) m_error = error;
  EndDialog(-1);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->m_hWnd = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog == nullptr) return FALSE;
  try {
    bool handled = false;
    const INT_PTR result = dialog->Dispatch(message, wParam, lParam, handled);
    return handled ? result : FALSE;
  } catch (...) {
    dialog->Fail(std::current_exception());
    return TRUE;
  }
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_NOTIFY: {
      LRESULT result = 0;
      handled = OnNotify(*reinterpret_cast<NMHDR*>(lParam), result);
      if (handled) ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_SIZE:
      OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_GETMINMAXINFO:
      handled = OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return TRUE;
    case WM_SETCURSOR:
      handled = OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam));
      if (handled) ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_SYSCOMMAND:
      handled = OnSysCommand(wParam);
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      HBRUSH brush = OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      handled = brush != nullptr;
      return reinterpret_cast<INT_PTR>(brush);
    }
    case WM_CLOSE:
      OnClose();
      return TRUE;
    default: {
      INT_PTR result = 0;
      handled = OnMessage(message, wParam, lParam, result);
      return result;
    }
  }
}

}  // namespace tv::gui
