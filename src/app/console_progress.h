// What a console front end shows while a long operation runs: the progress
// position drawn on standard error when that is a terminal, and Ctrl-C
// turned into the break flag.
#pragma once

namespace tv {

// While it lives, progress reports are drawn as "label NN%" on one line of
// standard error (only when it is a terminal and `enabled`). The line is
// cleared when it goes away.
class ConsoleProgress {
 public:
  ConsoleProgress(const char* label, bool enabled);
  ~ConsoleProgress();
  ConsoleProgress(const ConsoleProgress&) = delete;
  ConsoleProgress& operator=(const ConsoleProgress&) = delete;

 private:
  bool m_bDrawing = false;
};

// Clears the break flag and makes Ctrl-C set it, so that a running scan or
// recovery stops at its next check.
void StopOnInterrupt();

}  // namespace tv
