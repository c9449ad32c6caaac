#include "vantrel_app.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/log_location.h"
#include "parser/product_folder.h"
#include "resource.h"
#include "tvcore_binding.h"
#include "vantrel_dlg.h"
#include "window_text.h"

namespace tv::gui {

std::wstring CommandTail(const std::wstring& commandLine) {
  std::size_t at = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const std::size_t close = commandLine.find(L'"', 1);
    at = close == std::wstring::npos ? commandLine.size() : close + 1;
  } else {
    at = commandLine.find_first_of(L" \t");
    if (at == std::wstring::npos) at = commandLine.size();
  }
  while (at < commandLine.size() && (commandLine[at] == L' ' || commandLine[at] == L'\t')) ++at;
  return commandLine.substr(at);
}

std::wstring FirstCommandWord(const std::wstring& commandTail) {
  if (!commandTail.empty() && commandTail[0] == L'"') {
    const std::size_t close = commandTail.find(L'"', 1);
    return commandTail.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
  }
  return commandTail.substr(0, commandTail.find_first_of(L" \t"));
}

bool CVantrelApp::InitInstance(const std::wstring& commandTail) {
  if (HANDLE running = ::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName)) {
    ::CloseHandle(running);
    return true;
  }
  // Stays open until the process ends.
  ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);

  const std::wstring word = FirstCommandWord(commandTail);
  // A named log is appended to; the default one starts fresh every run.
  const std::string logPath = word.empty() ? PrepareDefaultLogPath(DefaultTvcorePath()) : Utf8(word);
  StartLogFile(logPath);

  ::CoInitialize(nullptr);
  HACCEL accelerators = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
  try {
    CVantrelDlg dialog;
    dialog.DoModal(accelerators);
  } catch (int code) {
    ShowBox(nullptr, code == -1 ? kTvcoreLoadFailed : "Internal product error. Please contact software developers.",
            "", MB_OK | MB_ICONHAND);
  } catch (...) {
    ShowBox(nullptr, "Internal shell error. Please contact software developers.", "", MB_OK | MB_ICONHAND);
  }
  ::CoUninitialize();
  return false;
}

}  // namespace tv::gui

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tv::gui::CVantrelApp application;
  application.InitInstance(tv::gui::CommandTail(::GetCommandLineW()));
  return 0;
}
