#include "platform/folders.h"
#include "tvcore/library.h"

namespace tv::tvcore {

Library& ProcessLibrary() {
  static Library library(LibraryEnvironment{platform::ExecutablePath(), platform::AppDataFolder(), &SystemRegistry(),
                                            &LibraryStrings(), UserShellFolder, ShowNotice});
  return library;
}

}  // namespace tv::tvcore
