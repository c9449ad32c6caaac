#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "tvcore/ini_document.h"
#include "tvcore/profile.h"

namespace tv::tvcore {
namespace {

using tv::testing::ReadText;
using tv::testing::TempFolder;

using GetStringCall = std::function<int(const char*, const char*, const char*, char*, int, const std::string&)>;

constexpr const char* kProfile =
    "; written by the installer\n"
    "[Options]\n"
    "  SavePath = 1 \n"
    "Title=\"quoted value\"\n"
    "\n"
    "[Empty]\n"
    "[Registration]\n"
    "Key=Value\n";

// Reads through one implementation of the profile calls and answers the
// result and the buffer (zeros shown as '|').
void ExpectReadsAsTable(const GetStringCall& get, const std::string& path, const char* implementation) {
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    int size;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"sections and keys ignore case, blanks are trimmed", "OPTIONS", "savepath", 64, "1 1"},
      {"quotes around a value are dropped", "Options", "Title", 64, "12 quoted value"},
      {"a missing key gives the default", "Options", "Nothing", 64, "4 dflt"},
      {"a missing section gives the default", "Nowhere", "Key", 64, "4 dflt"},
      {"a value is cut to the buffer", "Options", "Title", 4, "3 quo"},
      {"a null section lists the sections", nullptr, "Key", 64, "27 Options|Empty|Registration||"},
      {"a null key lists the keys", "Options", nullptr, 64, "15 SavePath|Title||"},
      {"a cut list ends with two zeros", nullptr, nullptr, 10, "8 Options||"},
  };
  for (const Case& c : cases) {
    std::string buffer(static_cast<std::size_t>(c.size), '#');
    const int result = get(c.section, c.key, "dflt", buffer.data(), c.size, path);
    std::string shown = buffer.substr(0, static_cast<std::size_t>(result) + (c.section && c.key ? 0 : 1));
    for (char& ch : shown) ch = ch == '\0' ? '|' : ch;
    EXPECT_EQ(std::to_string(result) + " " + shown, c.expected) << implementation << ": " << c.name;
  }
}

TEST(Profile, PortableReadsFollowTheProfileRules) {
  TempFolder folder;
  ExpectReadsAsTable(PortableProfileGetString, folder.Write("a.ini", kProfile), "portable");
}

#ifdef _WIN32
// The same table through the system's own calls shows that the portable
// implementation follows them.
TEST(Profile, SystemReadsFollowTheSameRules) {
  TempFolder folder;
  ExpectReadsAsTable(ProfileGetString, folder.Write("a.ini", kProfile), "system");
}
#endif

TEST(Profile, IntegersAsTable) {
  TempFolder folder;
  const std::string path = folder.Write("n.ini", "[N]\nPlain=42\nLetters=42abc\nNegative=-5\nWord=abc\nEmpty=\n");
  struct Case {
    const char* key;
    unsigned expected;
  };
  for (const Case& c : std::vector<Case>{{"Plain", 42}, {"Letters", 42}, {"Word", 0}, {"Empty", 7}, {"Missing", 7}}) {
    EXPECT_EQ(ProfileGetInt("N", c.key, 7, path), c.expected) << c.key;
  }
}

TEST(Profile, WritesKeepTheRestOfTheFile) {
  TempFolder folder;
  const std::string path = folder.Write("w.ini", "; keep me\n[Options]\nSavePath=1\n\n[Old]\nA=1\n");
  EXPECT_TRUE(PortableProfileWriteString("options", "savepath", "2", path));
  EXPECT_TRUE(PortableProfileWriteString("Options", "NeedLog", "1", path));
  EXPECT_TRUE(PortableProfileWriteString("New", "Key", "v", path));
  EXPECT_TRUE(PortableProfileWriteString("Old", nullptr, nullptr, path));
  EXPECT_TRUE(PortableProfileWriteString("New", "Gone", nullptr, path));
  EXPECT_FALSE(PortableProfileWriteString(nullptr, "Key", "v", path));

  const IniDocument document = IniDocument::Parse(ReadText(path));
  EXPECT_EQ(document.SectionNames(), (std::vector<std::string>{"Options", "New"}));
  EXPECT_EQ(document.KeyNames("Options"), (std::vector<std::string>{"SavePath", "NeedLog"}));
  EXPECT_EQ(document.Value("Options", "SavePath"), "2");
  EXPECT_EQ(document.Value("New", "Key"), "v");
  EXPECT_EQ(ReadText(path).rfind("; keep me", 0), 0u);
}

TEST(Profile, WritingCreatesTheFile) {
  TempFolder folder;
  const std::string path = folder.File("new.ini");
  EXPECT_TRUE(ProfileWriteString("Toolbox", "Prompt", "1", path));
  EXPECT_EQ(ProfileGetInt("Toolbox", "Prompt", 0, path), 1u);
}

}  // namespace
}  // namespace tv::tvcore
