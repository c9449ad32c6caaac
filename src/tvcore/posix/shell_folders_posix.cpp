// The user's documents and desktop folders where there is no shell registry:
// the home folder and its Desktop folder, and the data folder for the
// application data.
#include <cstdlib>

#include "platform/folders.h"
#include "tvcore/recent_dir.h"

namespace tv::tvcore {

const char* const kFallbackRecentDir = "/";

std::optional<std::string> UserShellFolder(const std::string& name) {
  const char* home = std::getenv("HOME");
  if (name == "Local AppData") return platform::AppDataFolder();
  if (home == nullptr || home[0] != '/') return std::nullopt;
  if (name == "Personal") return std::string(home);
  if (name == "Desktop") return platform::JoinPath(home, "Desktop");
  return std::nullopt;
}

}  // namespace tv::tvcore
