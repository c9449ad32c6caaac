// The standard streams of a console program: whether one is a terminal, the
// binary mode of standard output, and the Ctrl-C request.
#pragma once

namespace tv::platform {

// True when standard error is a terminal (a console on Windows).
bool IsStandardErrorTerminal();
// Standard output passes bytes unchanged (no line-end translation on Windows).
void SetStandardOutputBinary();
// Calls `handler` when the user presses Ctrl-C; the handler may only do what
// a signal handler may (set a flag). The process is not ended.
void SetInterruptHandler(void (*handler)());

}  // namespace tv::platform
