// Without message boxes a notice becomes one line on the standard error
// stream, so that a command-line host shows it to its user.
#include <cstdio>

#include "tvcore/notice.h"

namespace tv::tvcore {

void ShowNotice(const Notice& notice) {
  if (notice.caption.empty()) {
    std::fprintf(stderr, "tvcore: %s\n", notice.text.c_str());
  } else {
    std::fprintf(stderr, "tvcore: %s: %s\n", notice.caption.c_str(), notice.text.c_str());
  }
}

}  // namespace tv::tvcore
