#include "tvcore/recent_dir.h"

#include "platform/files.h"
#include "platform/folders.h"

namespace tv::tvcore {

namespace {

// The mail products start their dialogs in the mail program's data folder.
bool IsMailProduct(int product) { return product == 5 || product == 38; }

std::optional<std::string> Existing(std::optional<std::string> folder) {
  if (folder && !folder->empty() && platform::PathExists(*folder)) return folder;
  return std::nullopt;
}

}  // namespace

std::string FindRecentDir(const SettingsStore& store, int product, const ShellFolderLookup& shellFolder) {
  if (auto stored = Existing(store.ReadText(nullptr, "RecentDir", 255, false))) return *stored;

  std::optional<std::string> documents;
  if (IsMailProduct(product)) {
    if (auto local = shellFolder("Local AppData")) {
      documents = platform::JoinPath(*local, "Microsoft") + platform::kPathSeparator + "Outlook" +
                  platform::kPathSeparator;
    }
  } else {
    documents = shellFolder("Personal");
  }
  if (auto found = Existing(documents)) return *found;
  if (auto desktop = Existing(shellFolder("Desktop"))) return *desktop;
  return kFallbackRecentDir;
}

}  // namespace tv::tvcore
