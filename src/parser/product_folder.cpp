#include "parser/product_folder.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"

namespace tv {
namespace {

// tvcore's exports use the C calling convention and narrow strings only.
extern "C" {
using InitializeFunction = int (*)(int code);
}

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

  const auto initialize = reinterpret_cast<InitializeFunction>(initializeSymbol);
  initialize(kProductNumber + 256);

  // An existing folder is fine; a folder that cannot be made shows up later,
  // when a file in it cannot be created.
  std::string folder = platform::JoinPath(platform::AppDataFolder(), kMakerFolderName);
  platform::CreateDirectory(folder);
  folder = platform::JoinPath(folder, kProductShortCode);
  platform::CreateDirectory(folder);
  return folder + platform::kPathSeparator;
}

}  // namespace tv
