#include "parser/progress.h"

#include <utility>

namespace tv {
namespace {

ProgressSink& Sink() {
  static ProgressSink sink;
  return sink;
}

}  // namespace

void SetProgressSink(ProgressSink sink) { Sink() = std::move(sink); }

void ReportProgress(unsigned percent) {
  if (Sink()) Sink()(percent);
}

}  // namespace tv
