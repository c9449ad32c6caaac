// The process-wide progress position (0 to 100) that long operations of the
// parsers and of the recovery move, like the progress bar of the window. The
// front end installs a sink; without one, reports go nowhere.
#pragma once

#include <functional>

namespace tv {

using ProgressSink = std::function<void(unsigned percent)>;

// Replaces the sink (an empty function removes it).
void SetProgressSink(ProgressSink sink);
// Sends a new position to the sink.
void ReportProgress(unsigned percent);

}  // namespace tv
