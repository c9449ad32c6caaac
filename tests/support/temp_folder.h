// A fresh, uniquely named folder under the system's temporary folder, removed
// with everything in it when the object goes away.
#pragma once

#include <filesystem>
#include <string>

namespace tv::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  // The folder's full path as narrow (UTF-8) text, without a trailing separator.
  std::string Text() const;
  // Full path of `name` inside the folder, as narrow (UTF-8) text.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path m_path;
};

}  // namespace tv::testing
