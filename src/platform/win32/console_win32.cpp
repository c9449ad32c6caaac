#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {
namespace {

void (*g_interruptHandler)() = nullptr;

// Runs on a thread of its own; TRUE keeps the process alive so the command
// can end cleanly.
BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  if (g_interruptHandler != nullptr) g_interruptHandler();
  return TRUE;
}

}  // namespace

bool IsStandardErrorTerminal() { return _isatty(_fileno(stderr)) != 0; }

void SetStandardOutputBinary() { _setmode(_fileno(stdout), _O_BINARY); }

void SetInterruptHandler(void (*handler)()) {
  g_interruptHandler = handler;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace tv::platform
