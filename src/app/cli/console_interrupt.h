// Ctrl-C in a console front end: it sets the break flag, so that a running
// scan or recovery stops at its next check and keeps what it has done.
#pragma once

namespace tv {

// Clears the break flag and makes Ctrl-C set it.
void StopOnInterrupt();

}  // namespace tv
