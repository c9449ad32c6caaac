#include "test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/folders.h"
#include "tvcore/file_text.h"

namespace tv::tvcore::testing {

namespace {

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

TestFolder::TestFolder() {
  // A unique file name reserves the name; the folder takes its place.
  path_ = platform::UniqueTempFileName(platform::TempFolder(), "tvc");
  EXPECT_FALSE(path_.empty());
  platform::DeleteFile(path_);
  EXPECT_TRUE(platform::CreateDirectory(path_));
}

TestFolder::~TestFolder() {
  std::error_code error;
  std::filesystem::remove_all(FsPath(path_), error);
}

std::string TestFolder::Join(const std::string& name) const { return platform::JoinPath(path_, name); }

std::string TestFolder::Write(const std::string& name, const std::string& contents) const {
  const std::string file = Join(name);
  std::error_code error;
  std::filesystem::create_directories(FsPath(file).parent_path(), error);
  EXPECT_TRUE(WriteWholeFile(file, contents)) << file;
  return file;
}

std::string TestFolder::MakeFolder(const std::string& name) const {
  const std::string folder = Join(name);
  std::error_code error;
  std::filesystem::create_directories(FsPath(folder), error);
  EXPECT_FALSE(error) << folder;
  return folder;
}

std::string ReadText(const std::string& path) {
  std::string text;
  EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
  return text;
}

}  // namespace tv::tvcore::testing
