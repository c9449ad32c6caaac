#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "parser/entry_names.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"

namespace tv {
namespace {

TEST(IsValidName, NarrowAndWideAgree) {
  struct NameCase {
    std::string name;
    bool valid;
  };
  const NameCase cases[] = {
      {"", false},          {".", false},          {"..", false},         {"...", true},
      {".hidden", true},    {"a.txt", true},       {"a\\b", false},       {"a/b", false},
      {"a|b", false},       {"a:b", false},        {"a<b", false},        {"a>b", false},
      {"a?b", false},       {"a*b", false},        {"a\"b", false},       {"tab\there", false},
      {"\x1f", false},      {std::string("a\0b", 3), false},              {" spaced name ", true},
      {"\xC3\x9C" "bung.doc", true},  // UTF-8 bytes are not control characters
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE("\"" + c.name + "\"");
    EXPECT_EQ(IsValidName(c.name), c.valid);
    EXPECT_EQ(IsValidNameW(platform::ToWide(c.name)), c.valid);
  }
}

TEST(ProbeName, CreatesAndRemovesATrialFile) {
  testing::TempFolder folder;
  const std::string path = folder.Path().string();
  testing::LogCapture log;

  EXPECT_TRUE(ProbeName("good name.txt", path));
  EXPECT_TRUE(ProbeNameW(u"wide \u00e9t\u00e9.txt", platform::ToWide(path)));
  EXPECT_FALSE(ProbeName("bad?.txt", path));
  EXPECT_FALSE(ProbeNameW(u"..", platform::ToWide(path)));
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            0);
}

TEST(ProbeName, LeavesAnExistingFileAlone) {
  testing::TempFolder folder;
  const std::string existing = folder.File("keep.txt");
  std::ofstream(existing, std::ios::binary) << "user data";

  EXPECT_TRUE(ProbeName("keep.txt", folder.Path().string()));
  EXPECT_TRUE(ProbeNameW(u"keep.txt", platform::ToWide(folder.Path().string())));
  std::ifstream in(existing, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "user data");
}

TEST(ProbeName, AFolderThatCannotHoldTheFileFailsExceptForRecycled) {
  testing::TempFolder folder;
  const std::string missing = folder.File("no-such-folder");
  testing::LogCapture log;

  EXPECT_TRUE(ProbeName("RECYCLED", missing));
  EXPECT_TRUE(ProbeName("Recycled", missing));
  EXPECT_TRUE(log.Lines().empty());

  EXPECT_FALSE(ProbeName("other", missing));
  EXPECT_FALSE(ProbeNameW(u"RECYCLED", platform::ToWide(missing)));  // no exception for wide names
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "[ERROR]: ERROR WHILE CREATING TEMP FILE");
  EXPECT_EQ(lines[1], "ERROR WHILE CREATING TEMP FILE");
}

TEST(PickEntryName, LongNameDecidesWhenItIsThere) {
  testing::TempFolder folder;
  const std::string probeFolder = folder.Path().string();
  struct PickCase {
    const char* what;
    std::string longName;
    std::string shortName;
    std::optional<std::string> picked;
  };
  const PickCase cases[] = {
      {"valid long name", "Long name.txt", "LONGNA~1.TXT", "Long name.txt"},
      {"bad long name is not replaced by the short one", "what?.txt", "WHAT.TXT", std::nullopt},
      {"no long name: the short one", "", "SHORT.TXT", "SHORT.TXT"},
      {"no long name and a bad short one", "", "A*B", std::nullopt},
      {"no names", "", "", std::nullopt},
  };
  for (const PickCase& c : cases) {
    SCOPED_TRACE(c.what);
    FindData entry;
    entry.fileName = c.longName;
    entry.alternateFileName = c.shortName;
    entry.wideFileName = platform::ToWide(c.longName);
    entry.wideAlternateFileName = platform::ToWide(c.shortName);
    for (const bool syntaxOnly : {true, false}) {
      EXPECT_EQ(PickEntryName(entry, syntaxOnly, probeFolder), c.picked);
      const auto wide = PickEntryNameW(entry, syntaxOnly, platform::ToWide(probeFolder));
      EXPECT_EQ(wide.has_value(), c.picked.has_value());
      if (wide && c.picked) {
        EXPECT_EQ(*wide, platform::ToWide(*c.picked));
      }
    }
  }
}

}  // namespace
}  // namespace tv
