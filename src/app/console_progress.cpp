#include "app/console_progress.h"

#include <cstdio>
#include <string>

#include "parser/break_flag.h"
#include "parser/progress.h"
#include "platform/console.h"

namespace tv {
namespace {

void SetBreakFlag() { BreakFlag().store(1); }

}  // namespace

ConsoleProgress::ConsoleProgress(const char* label, bool enabled)
    : m_bDrawing(enabled && platform::IsStandardErrorTerminal()) {
  if (!m_bDrawing) return;
  const std::string text = label;
  SetProgressSink([text](unsigned percent) {
    std::fprintf(stderr, "\r%s %3u%%", text.c_str(), percent > 100 ? 100u : percent);
    std::fflush(stderr);
  });
}

ConsoleProgress::~ConsoleProgress() {
  if (!m_bDrawing) return;
  SetProgressSink(nullptr);
  std::fprintf(stderr, "\r%40s\r", "");
  std::fflush(stderr);
}

void StopOnInterrupt() {
  BreakFlag().store(0);
  platform::SetInterruptHandler(SetBreakFlag);
}

}  // namespace tv
