#include <signal.h>
#include <unistd.h>

#include "platform/console.h"

namespace tv::platform {
namespace {

void (*g_interruptHandler)() = nullptr;

void OnSignal(int) {
  if (g_interruptHandler != nullptr) g_interruptHandler();
}

}  // namespace

bool IsStandardErrorTerminal() { return isatty(STDERR_FILENO) == 1; }

void SetStandardOutputBinary() {}

void SetInterruptHandler(void (*handler)()) {
  g_interruptHandler = handler;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace tv::platform
