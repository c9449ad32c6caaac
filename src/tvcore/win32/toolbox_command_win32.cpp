// A toolbox command: the shell opens products and web addresses; products
// that are not installed may ask first.
#include "tvcore/toolbox_menu.h"
#include "tvcore/win32/product_not_installed.h"
#include "tvcore/win32/toolbox_win32.h"
#include "tvcore/win32/windows_text.h"

#include <objbase.h>
#include <shellapi.h>

namespace tv::tvcore::win32 {

namespace {

class WindowsToolboxShell : public ToolboxShell {
 public:
  void Open(const std::string& target) override {
    if (target.empty()) return;
    // The shell may hand the call to extensions that need COM on this
    // thread; the thread's own set-up is kept when it has one.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring file = ToWindows(target);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    // No message of the shell's own: a product that cannot be started
    // shows nothing.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = ::GetActiveWindow();
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&info);
    if (SUCCEEDED(com)) ::CoUninitialize();
  }

  ProductAnswer AskAboutProduct(const ToolboxEntry& entry) override { return AskProductNotInstalled(entry); }
};

}  // namespace

int OnToolboxCommand(int command, const SettingsStore& store) {
  WindowsToolboxShell shell;
  return RunToolboxCommand(KeptToolboxEntry(command), store, shell);
}

}  // namespace tv::tvcore::win32
