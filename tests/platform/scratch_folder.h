// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/folders.h"

namespace tv::platform {

class ScratchFolder {
 public:
  ScratchFolder() {
    // A unique file name reserved by the system, turned into a folder.
    path_ = UniqueTempFileName(TempFolder(), "tvp");
    if (!path_.empty() && DeleteFile(path_) && CreateDirectory(path_)) return;
    path_.clear();
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(std::filesystem::path(ToU8(path_)), ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  std::string Path(const std::string& name) const { return JoinPath(path_, name); }
  const std::string& path() const { return path_; }

 private:
  static std::u8string ToU8(const std::string& text) { return std::u8string(text.begin(), text.end()); }
  std::string path_;
};

}  // namespace tv::platform
