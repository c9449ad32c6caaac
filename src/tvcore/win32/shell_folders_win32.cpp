// The user's shell folders as the registry's "Shell Folders" key lists them.
#include "tvcore/recent_dir.h"
#include "tvcore/registry.h"

namespace tv::tvcore {

const char* const kFallbackRecentDir = "c:\\";

std::optional<std::string> UserShellFolder(const std::string& name) {
  std::unique_ptr<RegistryKey> key;
  if (SystemRegistry().Open(RegistryRoot::CurrentUser,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", &key) != 0) {
    return std::nullopt;
  }
  RegistryValue value;
  if (key->Query(name, &value) != 0) return std::nullopt;
  return value.text;
}

}  // namespace tv::tvcore
