#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "support/temp_folder.h"
#include "tvcore/library.h"
#include "tvcore/registry_standin.h"

namespace tv::tvcore {
namespace {

using tv::testing::TempFolder;

// A product installed for this program, its settings in the registry
// stand-in: scrambled strings, language 3 and a number with letters after it.
class ProductInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Morvanix/Dornvale.ini",
                  "Language=3\n"
                  "[Registration]\n"
                  "ProgramTitle=xxxxxxF1C6C9D3D5C2CB\n"  // Vantrel
                  "Version=xxxxxx968997\n"               // 1.0
                  "VersionDesc=\n"
                  "Copyright=shortA\n"                    // fewer than 8 characters
                  "[Options]\n"
                  "NeedLog=42abc\n");
    library_.Initialize(268);
  }

  TempFolder folder_;
  StandInRegistry registry_{folder_.File("Morvanix")};
  CompiledStrings strings_;
  Library library_{LibraryEnvironment{folder_.File("bin/vtl"), folder_.File("appdata") + platform::kPathSeparator,
                                      &registry_, &strings_, [](const std::string&) { return std::nullopt; },
                                      [](const Notice&) {}}};
};

TEST_F(ProductInfoTest, AnswersAsTable) {
  const std::string appData = folder_.File("appdata");
  const char sep = platform::kPathSeparator;
  const std::string tempFolder = platform::JoinPath(platform::JoinPath(appData, "Talvenor"), "vtl") + sep;
  const std::string logFolder = tempFolder + "Logs" + sep;

  const auto profileString = [&](const char* key) {
    char buffer[255] = "unchanged";
    const int result = library_.ReadProfileString("Registration", key, "", buffer, sizeof buffer, 1);
    return std::to_string(result) + " " + buffer;
  };
  const auto string = [&](int product, int id) {
    char buffer[kCallerBuffer] = "unchanged";
    unsigned length = 0;
    const int result = library_.GetString(product, id, buffer, &length);
    return std::to_string(result) + " " + std::to_string(length) + " " + buffer;
  };
  const auto folderAnswer = [](int length, const char* buffer) {
    return std::to_string(length) + " " + buffer + (platform::IsDirectory(buffer) ? " exists" : " missing");
  };

  struct Case {
    const char* name;
    std::function<std::string()> call;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"scrambled string decoded", [&] { return profileString("ProgramTitle"); }, "0 Vantrel"},
      {"scrambled text under 8 characters is empty", [&] { return profileString("Copyright"); }, "0 "},
      {"ReadProfileInt reads the leading digits of 42abc",
       [&] { return std::to_string(library_.ReadProfileInt("Options", "NeedLog", 5)); }, "42"},
      {"ReadProfileInt on a missing value gives the default",
       [&] { return std::to_string(library_.ReadProfileInt("Options", "SavePath", 5)); }, "5"},
      {"ReadProfileInt on a missing key gives the default",
       [&] { return std::to_string(library_.ReadProfileInt("Product", "Build", 9)); }, "9"},
      {"full name without a version description has no trailing blank",
       [&] {
         char buffer[kCallerBuffer];
         return std::string(library_.GetFullName(buffer));
       },
       "Vantrel 1.0"},
      {"language from the product key", [&] { return std::to_string(library_.GetCurLang()); }, "3"},
      {"string missing in language 3 falls back to language 0", [&] { return string(12, 1); }, "0 7 Vantrel"},
      {"string present in language 3", [&] { return string(12, 2); },
       "0 57 Recuperacion de archivos borrados en volumenes NTFS y FAT"},
      {"shared string of product -1", [&] { return string(-1, 1); }, "0 20 Talvenor Diagnostics"},
      {"string missing in every language leaves the buffer", [&] { return string(12, 99); }, "1 0 unchanged"},
      {"product outside the table", [&] { return string(54, 1); }, "-1 0 unchanged"},
      {"temp files folder",
       [&] {
         char buffer[kCallerBuffer];
         return folderAnswer(library_.GetTempFilesFolder(buffer, sizeof buffer), buffer);
       },
       std::to_string(tempFolder.size()) + " " + tempFolder + " exists"},
      {"log files folder",
       [&] {
         char buffer[kCallerBuffer];
         return folderAnswer(library_.GetLogFilesFolder(buffer), buffer);
       },
       std::to_string(logFolder.size() - 1) + " " + logFolder + " exists"},
      {"temp files folder cut to a small buffer",
       [&] {
         char buffer[8];
         const int length = library_.GetTempFilesFolder(buffer, sizeof buffer);
         return std::to_string(length) + " " + buffer;
       },
       std::to_string(tempFolder.size()) + " " + tempFolder.substr(0, 7)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.call(), c.expected) << c.name;
  }
}

TEST_F(ProductInfoTest, RegistryNameAndNullBuffers) {
  char buffer[kCallerBuffer] = {};
  library_.GetRegistryName(buffer);
  EXPECT_STREQ(buffer, "Dornvale");
  unsigned length = 0;
  EXPECT_EQ(library_.GetString(12, 1, nullptr, &length), kStringBadArgument);
  EXPECT_EQ(library_.GetString(12, 1, buffer, nullptr), kStringBadArgument);
}

TEST_F(ProductInfoTest, AnIniBesideTheProgramHidesTheRegistry) {
  // Title only in the INI file; version only in the registry.
  folder_.Write("bin/vtl.ini", "[Registration]\nProgramTitle=xxxxxxEEC9CE\n");
  library_.Initialize(268);
  EXPECT_EQ(library_.store().kind(), StoreKind::Ini);
  char buffer[kCallerBuffer];
  EXPECT_STREQ(library_.GetShortName(buffer), "Ini");
  EXPECT_EQ(library_.settings().version, "");
  EXPECT_EQ(library_.GetCurLang(), 0);
}

}  // namespace
}  // namespace tv::tvcore
