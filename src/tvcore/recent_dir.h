// The folder a product's browse dialogs start in: the folder the user last
// chose when it still exists, else the user's documents or desktop folder.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tvcore/settings_store.h"

namespace tv::tvcore {

// Looks up one of the user's shell folders by its registry value name
// ("Personal", "Desktop", "Local AppData"); nullopt when it is not known.
using ShellFolderLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The shell folders of this system's user.
std::optional<std::string> UserShellFolder(const std::string& name);

// The last resort when no folder of the user exists: "c:\" on Windows, the
// file-system root elsewhere.
extern const char* const kFallbackRecentDir;

std::string FindRecentDir(const SettingsStore& store, int product, const ShellFolderLookup& shellFolder);

}  // namespace tv::tvcore
