// The window's side of the scan and recovery workflows: progress on the
// status bar's progress bar, the overwrite question and the messages as
// dialogs over the main window, and one queued message dispatched on every
// turn of the wait for the worker.
#pragma once

#include <windows.h>

#include <atomic>

#include "app/workflow_host.h"

namespace tv::gui {

class WindowHost : public WorkflowHost {
 public:
  WindowHost(HWND mainWindow, HWND progressBar);

  // From the worker: the bar moves only when the position changes.
  void Progress(unsigned percent) override;
  OverwriteAnswer AskOverwrite(const std::string& question, const std::string& displayName) override;
  void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) override;
  void WhileWaiting() override;

 private:
  HWND m_hMain;
  HWND m_hProgress;
  std::atomic<int> m_lastPercent{-1};
};

}  // namespace tv::gui
