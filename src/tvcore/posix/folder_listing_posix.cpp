// Folder listings through the standard library, sorted by name, since the
// system gives them in no useful order.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/folders.h"
#include "tvcore/system_info.h"

namespace tv::tvcore {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    FolderEntry entry;
    entry.name = it->path().filename().string();
    std::error_code statusError;
    const std::filesystem::file_status own = it->symlink_status(statusError);
    entry.isLink = std::filesystem::is_symlink(own);
    entry.isFolder = it->is_directory(statusError);
    if (entry.isFolder) entry.attributes |= kAttributeDirectory;
    if (!entry.isFolder) entry.size = it->file_size(statusError);
    if (statusError) entry.size = 0;
    const std::filesystem::perms permissions = it->status(statusError).permissions();
    if (!statusError && (permissions & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
      entry.attributes |= kAttributeReadOnly;
    }
    const std::string path = platform::JoinPath(folder, entry.name);
    platform::GetFileTimes(path, nullptr, nullptr, &entry.lastWrite);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
}

}  // namespace tv::tvcore
