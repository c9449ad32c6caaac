#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "support/temp_folder.h"
#include "tvcore/recent_dir.h"
#include "tvcore/registry_standin.h"
#include "tvcore/scramble.h"
#include "tvcore/settings_store.h"

namespace tv::tvcore {
namespace {

using tv::testing::ReadText;
using tv::testing::TempFolder;

// "Vantrel" in the scrambled form: each character XOR 0xA7 as two hex digits.
constexpr const char* kVantrelPairs = "F1C6C9D3D5C2CB";

TEST(ScrambledForm, DecodesAsTable) {
  struct Case {
    const char* name;
    std::string stored;
    std::string plain;
  };
  const std::vector<Case> cases = {
      {"empty stays empty", "", ""},
      {"seven characters are too short", "1234567", ""},
      {"eight characters give one", "123456F1", "V"},
      {"the prefix may hold anything", std::string("a=b c!") + kVantrelPairs, "Vantrel"},
      {"an odd last character is dropped", "123456F1C", "V"},
      {"lower-case digits", "123456f1c6", "Va"},
      {"a damaged pair ends the value", "123456F1ZZC6", "V"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeScrambled(c.stored), c.plain) << c.name;
  }
}

TEST(ScrambledForm, NeverReadsPastTheBuffer) {
  // No zero inside the ten bytes the caller owns: only those are looked at.
  char buffer[10];
  std::memcpy(buffer, "123456F1C6", 10);
  DecodeScrambledInPlace(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "V");
}

TEST(StoreChoice, IniBesideTheExecutableWinsOverTheRegistry) {
  TempFolder folder;
  const std::string exe = folder.File("Vantrel.exe");
  struct Case {
    const char* name;
    int product;
    const char* iniFile;  // written beside the executable, or null
    StoreKind kind;
    std::string storeName;
  };
  const std::vector<Case> cases = {
      {"no INI: the product's registry key", 12, nullptr, StoreKind::Registry, "Dornvale"},
      {"the INI is named after the short code", 12, "vtl.ini", StoreKind::Ini, folder.File("vtl.ini")},
      {"an INI named after the executable is not the product's", 12, "Vantrel.ini", StoreKind::Registry, "Dornvale"},
      {"outside the table the executable names the INI", 60, "Vantrel.ini", StoreKind::Ini, folder.File("Vantrel.ini")},
  };
  for (const Case& c : cases) {
    std::string written;
    if (c.iniFile != nullptr) written = folder.Write(c.iniFile, "[Options]\n");
    const StoreChoice choice = ChooseStore(exe, c.product);
    EXPECT_EQ(choice.kind, c.kind) << c.name;
    EXPECT_EQ(choice.name, c.storeName) << c.name;
    if (!written.empty()) platform::DeleteFile(written);
  }
}

class IniStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = folder_.Write("vtl.ini", std::string("[Options]\nSavePath=1\nNeedLog=42abc\n"
                                                "[Registration]\nProgramTitle=123456") +
                                        kVantrelPairs + "\n");
    // The registry stand-in holds other values, which the INI store must not see.
    folder_.Write("Morvanix/Dornvale.ini", "Language=3\n[Registration]\nVersion=1234569689\n");
  }

  SettingsStore Store(const std::string& path) const {
    return SettingsStore(StoreChoice{StoreKind::Ini, path}, &registry_, [this](const Notice& n) { notices_.push_back(n); });
  }

  TempFolder folder_;
  std::string ini_;
  mutable StandInRegistry registry_{folder_.File("Morvanix")};
  mutable std::vector<Notice> notices_;
};

TEST_F(IniStoreTest, ReadsWithTheProfileRules) {
  const SettingsStore store = Store(ini_);
  char buffer[64];

  std::strcpy(buffer, "old");
  EXPECT_EQ(store.ReadString("registration", "PROGRAMTITLE", "", buffer, sizeof buffer, 1), 20);
  EXPECT_STREQ(buffer, "Vantrel");

  // The default is not used by this store: a missing key reads as empty.
  EXPECT_EQ(store.ReadString("Registration", "Version", "1.0", buffer, sizeof buffer, 0), 0);
  EXPECT_STREQ(buffer, "");

  std::strcpy(buffer, "old");
  EXPECT_EQ(store.ReadString("", "SavePath", "", buffer, sizeof buffer, 0), kIniUnavailable);
  EXPECT_STREQ(buffer, "old");

  // A null section lists the section names.
  EXPECT_EQ(store.ReadString(nullptr, "ignored", "", buffer, sizeof buffer, 0), 21);
  EXPECT_EQ(std::string(buffer, 22), std::string("Options\0Registration\0", 22));

  EXPECT_EQ(store.ReadInt("Options", "NeedLog", 7), 42u);
  EXPECT_EQ(store.ReadInt("Options", "Missing", 7), 7u);
  // Without a section an INI file has nothing: 0, not the default.
  EXPECT_EQ(store.ReadInt(nullptr, "Language", 7), 0u);
  EXPECT_EQ(store.ReadText(nullptr, "RecentDir", 255, false), "");
}

TEST_F(IniStoreTest, MissingFileFailsQuietly) {
  const SettingsStore store = Store(folder_.File("gone.ini"));
  char buffer[16] = "old";
  EXPECT_EQ(store.ReadString("Options", "SavePath", "x", buffer, sizeof buffer, 0), kIniUnavailable);
  EXPECT_STREQ(buffer, "old");
  EXPECT_EQ(store.ReadInt("Options", "SavePath", 9), 0u);
  EXPECT_EQ(store.SaveString("Options", "SavePath", "2"), kIniUnavailable);
  EXPECT_FALSE(platform::PathExists(folder_.File("gone.ini")));
  EXPECT_TRUE(notices_.empty());
}

TEST_F(IniStoreTest, WritesIntoTheFileButNotWithoutASection) {
  const SettingsStore store = Store(ini_);
  EXPECT_NE(store.SaveString("Options", "LastPath", "/data/in"), 0);
  EXPECT_EQ(store.SaveString(nullptr, "RecentDir", "/data"), 0);
  EXPECT_EQ(store.ReadText("Options", "LastPath", 260, false), "/data/in");
  EXPECT_EQ(ReadText(ini_).find("RecentDir"), std::string::npos);
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Morvanix/Dornvale.ini", "Language=3\n[Registration]\nVersion=123456968997\n[Options]\nNeedLog=42abc\n");
  }

  TempFolder folder_;
  StandInRegistry registry_{folder_.File("Morvanix")};
  std::vector<Notice> notices_;
  SettingsStore store_{StoreChoice{StoreKind::Registry, "Dornvale"}, &registry_,
                       [this](const Notice& n) { notices_.push_back(n); }};
};

TEST_F(RegistryStoreTest, ReadsKeysAndValues) {
  char buffer[64] = "old";
  EXPECT_EQ(store_.ReadString("registration", "VERSION", "", buffer, sizeof buffer, 1), 0);
  EXPECT_STREQ(buffer, "1.0");

  // A missing key gives the default and the open error.
  EXPECT_EQ(store_.ReadString("Product", "ProgramDir", "dflt", buffer, sizeof buffer, 0), 2);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(store_.ReadString("Product", "ProgramDir", nullptr, buffer, sizeof buffer, 0), 2);
  EXPECT_STREQ(buffer, "");

  // A missing value leaves the buffer as it was.
  std::strcpy(buffer, "old");
  EXPECT_EQ(store_.ReadString("Registration", "Copyright", "dflt", buffer, sizeof buffer, 0), 2);
  EXPECT_STREQ(buffer, "old");

  // A value longer than the buffer is not cut into it.
  char small[4] = "abc";
  EXPECT_EQ(store_.ReadString("Registration", "Version", "", small, sizeof small, 0), 234);
  EXPECT_STREQ(small, "abc");

  // Values of the product key itself: no section.
  EXPECT_EQ(store_.ReadInt(nullptr, "Language", 0), 3u);
  EXPECT_EQ(store_.ReadInt("Options", "NeedLog", 5), 42u);
  EXPECT_EQ(store_.ReadInt("Options", "Missing", 5), 5u);
  EXPECT_EQ(store_.ReadInt("Nowhere", "NeedLog", 5), 5u);
}

TEST_F(RegistryStoreTest, WritesOnlyIntoExistingKeys) {
  EXPECT_EQ(store_.SaveString("Options", "SavePath", "1"), 0);
  EXPECT_EQ(store_.ReadInt("Options", "SavePath", 0), 1u);
  EXPECT_EQ(store_.SaveString(nullptr, "RecentDir", "/data"), 0);
  EXPECT_EQ(store_.ReadText(nullptr, "RecentDir", 255, false), "/data");
  EXPECT_TRUE(notices_.empty());

  EXPECT_EQ(store_.SaveString("Product", "Build", "7"), 2);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].text, "Software\\Morvanix\\Dornvale\\Product");
  EXPECT_EQ(notices_[0].caption, "Error open key!");
  EXPECT_EQ(ReadText(folder_.File("Morvanix/Dornvale.ini")).find("[Product]"), std::string::npos);
}

TEST_F(RegistryStoreTest, RecentDirFallsBackThroughTheUsersFolders) {
  const std::string documents = folder_.MakeFolder("Documents");
  const std::string desktop = folder_.MakeFolder("Desktop");
  folder_.MakeFolder("Local/Microsoft/Outlook");
  const std::string stored = folder_.MakeFolder("Stored");
  struct Case {
    const char* name;
    const char* recentDir;  // stored value, or null for none
    int product;
    bool documentsKnown;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"the stored folder when it exists", stored.c_str(), 12, true, stored},
      {"documents when the stored folder is gone", "/no/such/folder", 12, true, documents},
      {"documents when nothing is stored", nullptr, 12, true, documents},
      {"the desktop without documents", nullptr, 12, false, desktop},
      {"the mail folder for the mail products", nullptr, 5, true,
       platform::JoinPath(folder_.File("Local"), "Microsoft") + platform::kPathSeparator + "Outlook" +
           platform::kPathSeparator},
  };
  for (const Case& c : cases) {
    folder_.Write("Morvanix/Dornvale.ini", c.recentDir != nullptr ? std::string("RecentDir=") + c.recentDir + "\n" : "");
    const ShellFolderLookup lookup = [&](const std::string& name) -> std::optional<std::string> {
      if (name == "Personal" && c.documentsKnown) return documents;
      if (name == "Desktop") return desktop;
      if (name == "Local AppData") return folder_.File("Local");
      return std::nullopt;
    };
    EXPECT_EQ(FindRecentDir(store_, c.product, lookup), c.expected) << c.name;
  }
  const ShellFolderLookup nothing = [](const std::string&) { return std::nullopt; };
  EXPECT_EQ(FindRecentDir(store_, 12, nothing), kFallbackRecentDir);
}

}  // namespace
}  // namespace tv::tvcore
