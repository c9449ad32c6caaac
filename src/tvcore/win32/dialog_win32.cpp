#include <algorithm>

#include "tvcore/win32/dialog.h"
#include "tvcore/win32/module_resources.h"

namespace tv::tvcore::win32 {

INT_PTR Dialog::RunModal(int templateId, HWND owner) {
  return ::DialogBoxParamW(static_cast<HINSTANCE>(LibraryModule()), MAKEINTRESOURCEW(templateId), owner, &Procedure,
                           reinterpret_cast<LPARAM>(this));
}

void Dialog::SetItemText(int id, const std::string& text) const {
  ::SetDlgItemTextW(window_, id, ToWindows(text).c_str());
}

void Dialog::CentreOverOwner() const {
  RECT work = {};
  if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) == FALSE) {
    work = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  RECT around = work;
  const HWND owner = ::GetWindow(window_, GW_OWNER);
  if (owner != nullptr && ::IsWindowVisible(owner) != FALSE && ::IsIconic(owner) == FALSE) {
    ::GetWindowRect(owner, &around);
  }
  RECT own = {};
  if (::GetWindowRect(window_, &own) == FALSE) return;
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  LONG left = around.left + (around.right - around.left - width) / 2;
  LONG top = around.top + (around.bottom - around.top - height) / 2;
  left = std::max(work.left, std::min(left, work.right - width));
  top = std::max(work.top, std::min(top, work.bottom - height));
  ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->window_ = window;
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
  } else {
    dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  if (dialog == nullptr) return FALSE;
  try {
    return dialog->Dispatch(message, wParam, lParam);
  } catch (...) {
    // A dialog that failed on the way is closed as if cancelled.
    ::EndDialog(window, IDCANCEL);
    return TRUE;
  }
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit() ? TRUE : FALSE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

}  // namespace tv::tvcore::win32
