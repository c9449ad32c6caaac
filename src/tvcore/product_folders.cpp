#include "tvcore/product_folders.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/folders.h"

namespace tv::tvcore {

namespace {

// The data folder of a fresh account may not exist yet on every system
// (an unused XDG data home); it is made with its parents.
void CreateWithParents(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(std::u8string(folder.begin(), folder.end())), error);
}

std::string CreatedFolder(const std::string& parent, const std::string& name) {
  const std::string folder = platform::JoinPath(parent, name);
  platform::CreateDirectory(folder);
  return folder;
}

}  // namespace

std::string ProductTempFolder(const std::string& appDataFolder, const std::string& shortCode) {
  CreateWithParents(appDataFolder);
  return CreatedFolder(CreatedFolder(appDataFolder, "Talvenor"), shortCode) + platform::kPathSeparator;
}

std::string ProductLogFolder(const std::string& appDataFolder, const std::string& shortCode) {
  return CreatedFolder(ProductTempFolder(appDataFolder, shortCode), "Logs") + platform::kPathSeparator;
}

}  // namespace tv::tvcore
