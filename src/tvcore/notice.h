// Messages the library shows to the user: message boxes on Windows, a line
// on the standard error stream elsewhere.
#pragma once

#include <functional>
#include <string>

namespace tv::tvcore {

enum class NoticeIcon { None, Stop };

struct Notice {
  std::string text;
  std::string caption;  // empty: the system's default caption
  NoticeIcon icon = NoticeIcon::None;
};

using NoticeSink = std::function<void(const Notice&)>;

// Shows the notice the way this system does.
void ShowNotice(const Notice& notice);

}  // namespace tv::tvcore
