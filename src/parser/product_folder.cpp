#include "parser/product_folder.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "tvcore/tvcore_api.h"

namespace tv {
namespace {

// Releases the library when the lookup is done, on every path.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string& path) : m_handle(platform::LoadLibrary(path)) {}
  ~LoadedLibrary() { platform::FreeLibrary(m_handle); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool Loaded() const { return m_handle != nullptr; }
  void* Find(const char* name) const { return platform::FindSymbol(m_handle, name); }

 private:
  platform::LibraryHandle m_handle;
};

// True when a file can be made in `folder`: a folder that exists may still
// be read-only, or belong to someone else.
bool CanWriteIn(const std::string& folder) {
  const std::string probe = platform::UniqueTempFileName(folder, "vtl");
  if (probe.empty()) return false;
  platform::DeleteFile(probe);
  return true;
}

}  // namespace

std::string DefaultTvcorePath() {
  return platform::ExecutableFolder() + platform::SharedLibraryFileName("tvcore");
}

std::optional<std::string> ProductDataFolder(const std::string& libraryPath,
                                             const char* folderExport) {
  const LoadedLibrary library(libraryPath);
  if (!library.Loaded()) return std::nullopt;
  void* initializeSymbol = library.Find("Initialize");
  if (initializeSymbol == nullptr || library.Find(folderExport) == nullptr) return std::nullopt;

  const auto initialize = reinterpret_cast<tvcore::api::InitializeFn>(initializeSymbol);
  initialize(kProductCode);

  // The application-data folder itself may not exist yet (a new user, a
  // fresh container), so the whole path is made. A folder that cannot be
  // made or written counts as no folder: the caller then does without, as
  // without tvcore.
  const std::string folder = platform::JoinPath(
      platform::JoinPath(platform::AppDataFolder(), kMakerFolderName), kProductShortCode);
  if (!platform::CreateDirectoryPath(folder) || !CanWriteIn(folder)) return std::nullopt;
  return folder + platform::kPathSeparator;
}

}  // namespace tv
