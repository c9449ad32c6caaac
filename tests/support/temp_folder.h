// A fresh, uniquely named folder under the system's temporary folder, removed
// with everything in it when the object goes away. Paths given and answered
// as narrow text are UTF-8 on every platform.
#pragma once

#include <filesystem>
#include <string>

namespace tv::testing {

class TempFolder {
 public:
  // Throws std::runtime_error when no folder can be made.
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  // The folder's full path, without a trailing separator.
  std::string Text() const;
  // Full path of `name` inside the folder; `name` may hold '/' between folders.
  std::string File(const std::string& name) const;
  // Writes `contents` to `name` inside the folder, making the folders on the
  // way, and answers its full path. Throws std::runtime_error on failure.
  std::string Write(const std::string& name, const std::string& contents) const;
  // Makes the folder `name` inside the folder with its parents and answers
  // its full path. Throws std::runtime_error on failure.
  std::string MakeFolder(const std::string& name) const;

 private:
  std::filesystem::path m_path;
};

// The whole content of the file at `path`. Throws std::runtime_error when it
// cannot be read.
std::string ReadText(const std::string& path);

}  // namespace tv::testing
