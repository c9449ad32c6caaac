#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "support/temp_folder.h"
#include "tvcore/toolbox.h"

namespace tv::tvcore {
namespace {

using tv::testing::TempFolder;

// Two installed products, each with its product file; each file also carries
// a toolbox definition, and the newer one must define the toolbox.
class ToolboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    older_ = folder_.Write("tvault.ini",
                           "[Product]\nProductName=Vault Keeper\nProgramDir=C:\\Vault\n"
                           "[Toolbox Groups]\nG1=Old Group\n"
                           "[Toolbox Sequence]\nS1=1\n"
                           "[Retired Tool]\nHomeURL=http://old.example/\nHandle=retired\nDesc=Gone\nGroupNum=1\n");
    newer_ = folder_.Write("Tundel.ini",
                           "[Product]\nProductName=Vantrel\nProgramDir=C:\\Program Files\\Vantrel\n"
                           "[Toolbox Groups]\nG1=Recovery\nG2=Mail\n"
                           "[Toolbox Sequence]\nS1=2\nS2=1\n"
                           "[Vault Keeper]\nHomeURL=http://vault.example/\nHandle=vault\nDesc=Keeps mail\nGroupNum=1\n"
                           "[Mail Mender]\nHomeURL=http://mender.example/\nHandle=mender\nGroupNum=1\n"
                           "[Vantrel]\nHomeURL=http://vantrel.example/\nHandle=Vantrel\nDesc=Undelete\nGroupNum=2\n"
                           "[Mail Mender]\nHomeURL=http://second.example/\n");
    // Files that do not start with "t" are not product files.
    folder_.Write("other.ini", "[Product]\nProductName=Other\n");
  }

  static void Age(const std::string& file, std::chrono::hours age) {
    const std::filesystem::path path(std::u8string(file.begin(), file.end()));
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
  }

  TempFolder folder_;
  std::string older_;
  std::string newer_;
};

TEST_F(ToolboxTest, NewestProductFileDefinesTheSortedMenu) {
  Age(older_, std::chrono::hours(48));
  Age(newer_, std::chrono::hours(1));
  const std::optional<Toolbox> toolbox = ReadToolbox(folder_.Text());
  ASSERT_TRUE(toolbox.has_value());
  EXPECT_EQ(toolbox->definitionFile, newer_);

  struct Expected {
    std::string name;
    bool installed;
    int group;
    std::string description;
  };
  const std::vector<Expected> expected = {
      {"Mail Mender", false, 1, kToolboxMissingKey},
      {"Vantrel", true, 2, "Undelete"},
      {"Vault Keeper", true, 1, "Keeps mail"},
  };
  ASSERT_EQ(toolbox->entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ToolboxEntry& entry = toolbox->entries[i];
    EXPECT_EQ(entry.name, expected[i].name) << i;
    EXPECT_EQ(entry.installed, expected[i].installed) << entry.name;
    EXPECT_EQ(entry.group, expected[i].group) << entry.name;
    EXPECT_EQ(entry.description, expected[i].description) << entry.name;
  }
  EXPECT_EQ(toolbox->entries[0].homeUrl, "http://mender.example/");
  EXPECT_EQ(toolbox->entries[2].executablePath, platform::JoinPath("C:\\Vault", "vault.exe"));

  ASSERT_EQ(toolbox->groups.size(), 2u);
  EXPECT_EQ(toolbox->groups[0].name, "Mail");
  EXPECT_EQ(toolbox->groups[0].number, 1);
  EXPECT_EQ(toolbox->groups[1].name, "Recovery");
  EXPECT_EQ(toolbox->groups[1].number, 2);
}

TEST_F(ToolboxTest, OlderFileMadeNewerTakesOver) {
  Age(newer_, std::chrono::hours(48));
  Age(older_, std::chrono::hours(1));
  const std::optional<Toolbox> toolbox = ReadToolbox(folder_.Text());
  ASSERT_TRUE(toolbox.has_value());
  EXPECT_EQ(toolbox->definitionFile, older_);
  ASSERT_EQ(toolbox->entries.size(), 1u);
  EXPECT_EQ(toolbox->entries[0].name, "Retired Tool");
  EXPECT_FALSE(toolbox->entries[0].installed);
}

TEST(Toolbox, NoProductFilesNoToolbox) {
  TempFolder folder;
  folder.Write("readme.ini", "[Product]\n");
  EXPECT_FALSE(ReadToolbox(folder.Text()).has_value());
  EXPECT_FALSE(ReadToolbox(folder.File("missing")).has_value());
}

}  // namespace
}  // namespace tv::tvcore
