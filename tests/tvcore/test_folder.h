// A fresh folder below the system's temporary folder for one test, removed
// with everything in it when the test ends.
#pragma once

#include <string>

namespace tv::tvcore::testing {

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() joined with a relative name.
  std::string Join(const std::string& name) const;
  // Writes a file below the folder, making its parent folders, and answers
  // its full path.
  std::string Write(const std::string& name, const std::string& contents) const;
  std::string MakeFolder(const std::string& name) const;

 private:
  std::string path_;
};

std::string ReadText(const std::string& path);

}  // namespace tv::tvcore::testing
