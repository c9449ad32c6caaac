#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/files.h"
#include "platform/folders.h"
#include "support/temp_folder.h"

namespace tv::platform {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string FileNameOf(const std::string& path) {
  const std::size_t cut = path.find_last_of(kPathSeparator);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

TEST(Folders, UniqueTempNamesAreDistinctFilesWithThePrefix) {
  testing::TempFolder folder;
  std::set<std::string> names;
  for (int i = 0; i < 3; ++i) {
    const std::string name = UniqueTempFileName(folder.Text(), "rec");
    ASSERT_FALSE(name.empty());
    EXPECT_TRUE(PathExists(name)) << name;
    EXPECT_EQ(FileNameOf(name).rfind("rec", 0), 0u) << name;
    EXPECT_EQ(name.rfind(folder.Text(), 0), 0u) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 3u);

  EXPECT_TRUE(UniqueTempFileName(folder.File("missing"), "rec").empty());
}

TEST(Folders, WellKnownFoldersEndWithOneSeparator) {
  const std::string sep(1, kPathSeparator);
  const struct {
    const char* name;
    std::string folder;
  } folders[] = {
      {"temp", TempFolder()},           {"app data", AppDataFolder()},
      {"common app data", CommonAppDataFolder()}, {"config", ConfigFolder()},
      {"current", CurrentDirectory()},  {"executable", ExecutableFolder()},
  };
  for (const auto& f : folders) {
    EXPECT_TRUE(EndsWith(f.folder, sep)) << f.name << ": " << f.folder;
    EXPECT_FALSE(EndsWith(f.folder, sep + sep)) << f.name << ": " << f.folder;
  }
  EXPECT_TRUE(IsDirectory(TempFolder()));
  EXPECT_FALSE(ComputerName().empty());
#ifdef _WIN32
  ASSERT_TRUE(SystemDirectory().has_value());
  ASSERT_TRUE(WindowsDirectory().has_value());
  EXPECT_TRUE(IsDirectory(*SystemDirectory()));
  EXPECT_EQ(SystemDirectory()->rfind(*WindowsDirectory(), 0), 0u);
#else
  EXPECT_FALSE(SystemDirectory().has_value());
  EXPECT_FALSE(WindowsDirectory().has_value());
#endif
}

TEST(Folders, ExecutablePathNamesThisTest) {
  const std::string path = ExecutablePath();
#ifdef _WIN32
  EXPECT_TRUE(EndsWith(path, "\\platform_test.exe")) << path;
#else
  EXPECT_TRUE(EndsWith(path, "/platform_test")) << path;
#endif
  EXPECT_TRUE(PathExists(path));
  EXPECT_EQ(ExecutableFolder() + FileNameOf(path), path);
}

TEST(Folders, JoinPathPutsExactlyOneSeparatorBetween) {
  const std::string s(1, kPathSeparator);
  const struct {
    std::string folder, name, joined;
  } cases[] = {
      {"a", "b", "a" + s + "b"},
      {"a" + s, "b", "a" + s + "b"},
      {"a" + s + s, s + "b", "a" + s + "b"},
      {s, "b", s + "b"},
      {"", "b", "b"},
      {"a", "", "a" + s},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

}  // namespace
}  // namespace tv::platform
