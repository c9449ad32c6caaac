#include "app/cli/console_interrupt.h"

#include "parser/break_flag.h"
#include "platform/console.h"

namespace tv {
namespace {

void SetBreakFlag() { BreakFlag().store(1); }

}  // namespace

void StopOnInterrupt() {
  BreakFlag().store(0);
  platform::SetInterruptHandler(SetBreakFlag);
}

}  // namespace tv
