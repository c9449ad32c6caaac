#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "support/temp_folder.h"
#include "tvcore/profile.h"
#include "tvcore/settings_store.h"
#include "tvcore/toolbox_menu.h"

namespace tv::tvcore {
namespace {

using tv::testing::TempFolder;
using Kind = ToolboxMenuItem::Kind;

ToolboxEntry Entry(const std::string& name, bool installed, int group) {
  ToolboxEntry entry;
  entry.name = name;
  entry.installed = installed;
  entry.group = group;
  entry.homeUrl = "http://" + name + ".example/";
  entry.executablePath = installed ? "C:\\Programs\\" + name + ".exe" : "";
  return entry;
}

// A menu item as one line, so that whole layouts compare in one go:
// "2001 Name", "2001 Name [x]", "-", "Group >" followed by its items.
void Describe(const std::vector<ToolboxMenuItem>& items, const std::string& indent, std::vector<std::string>* out) {
  for (const ToolboxMenuItem& item : items) {
    switch (item.kind) {
      case Kind::Separator:
        out->push_back(indent + "-");
        break;
      case Kind::Command:
        out->push_back(indent + std::to_string(item.command) + " " + item.text + (item.checked ? " [x]" : ""));
        break;
      case Kind::Submenu:
        out->push_back(indent + item.text + " >");
        Describe(item.items, indent + "  ", out);
        break;
    }
  }
}

std::string StoredPrompt(const std::string& ini) {
  char buffer[32] = {};
  ProfileGetString("Toolbox", "Prompt", "", buffer, sizeof buffer, ini);
  return buffer;
}

std::vector<std::string> Describe(const std::vector<ToolboxMenuItem>& items) {
  std::vector<std::string> lines;
  Describe(items, "", &lines);
  return lines;
}

TEST(ToolboxMenuLayout, InstalledFirstThenGroupsThenReference) {
  Toolbox toolbox;
  toolbox.groups = {{"Mail", 1}, {"Disks", 2}, {"Empty", 3}};
  toolbox.entries = {Entry("Alpha", false, 2), Entry("Beta", true, 1), Entry("Gamma", true, 2),
                     Entry("Lost", true, 9), Entry("Omega", false, 1)};
  const std::vector<std::string> expected = {
      "2001 Beta",
      "2002 Gamma",
      "2003 Lost",  // installed, in no group: only here
      "-",
      "Mail >",
      "  2001 Beta [x]",
      "  2004 Omega",
      "Disks >",
      "  2000 Alpha",
      "  2002 Gamma [x]",
      "Empty >",
      "-",
      "32800 &Toolbox Reference...",
  };
  EXPECT_EQ(Describe(ToolboxMenuLayout(toolbox)), expected);
}

TEST(ToolboxMenuLayout, OnlyEntriesWithARoutedCommandAppear) {
  // Commands past 2100 never reach the library, so entries beyond the 101st
  // must stay out of the menu rather than take other commands' numbers.
  Toolbox toolbox;
  toolbox.groups = {{"All", 1}};
  for (int i = 0; i < 105; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "P%03d", i);
    toolbox.entries.push_back(Entry(name, true, 1));
  }
  const std::vector<ToolboxMenuItem> items = ToolboxMenuLayout(toolbox);
  ASSERT_EQ(items.size(), 101u + 4u);
  EXPECT_EQ(items[100].command, 2100);
  EXPECT_EQ(items[100].text, "P100");
  EXPECT_EQ(items[102].items.size(), 101u);
  EXPECT_EQ(items[102].items.back().command, 2100);

  struct Case {
    int command;
    const char* entry;  // null: no entry
  };
  for (const Case& c : std::vector<Case>{{1999, nullptr}, {2000, "P000"}, {2100, "P100"}, {2101, nullptr},
                                         {32800, nullptr}, {-2000, nullptr}}) {
    const ToolboxEntry* entry = ToolboxCommandEntry(toolbox, c.command);
    if (c.entry == nullptr) {
      EXPECT_EQ(entry, nullptr) << c.command;
    } else {
      ASSERT_NE(entry, nullptr) << c.command;
      EXPECT_EQ(entry->name, c.entry);
    }
  }
  toolbox.entries.resize(2);
  EXPECT_EQ(ToolboxCommandEntry(toolbox, 2002), nullptr);
}

TEST(ToolboxFolder, AppendsOnlyWhatFitsAPathBuffer) {
  struct Case {
    const char* name;
    std::size_t length;  // of the folder already in the buffer
    bool fits;
  };
  // "\Talvenor" takes 9 bytes and the zero one more.
  for (const Case& c : std::vector<Case>{{"short", 3, true}, {"exactly full", 250, true}, {"one too many", 251, false},
                                         {"full buffer", 259, false}}) {
    char buffer[kToolboxFolderBuffer + 16];
    std::memset(buffer, '#', sizeof buffer);
    std::memset(buffer, 'a', c.length);
    buffer[c.length] = '\0';
    const std::string before(buffer, sizeof buffer);
    EXPECT_EQ(AppendToolboxFolder(buffer, kToolboxFolderBuffer), c.fits) << c.name;
    if (c.fits) {
      EXPECT_EQ(std::string(buffer), std::string(c.length, 'a') + "\\Talvenor") << c.name;
      EXPECT_EQ(std::string(buffer + kToolboxFolderBuffer, 16), std::string(16, '#')) << c.name;
    } else {
      EXPECT_EQ(std::string(buffer, sizeof buffer), before) << c.name;
    }
  }

  // No zero within the buffer: nothing is read or written past it.
  char unterminated[kToolboxFolderBuffer];
  std::memset(unterminated, 'a', sizeof unterminated);
  EXPECT_FALSE(AppendToolboxFolder(unterminated, sizeof unterminated));
  EXPECT_EQ(unterminated[sizeof unterminated - 1], 'a');
  EXPECT_FALSE(AppendToolboxFolder(nullptr, kToolboxFolderBuffer));
}

TEST(ToolboxProduct, MfcVariantGoesBeforeTheExtension) {
  struct Case {
    std::string name;
    std::string mfc;
  };
  // A dot in a folder's name is no extension.
  const std::string folder = platform::JoinPath("Programs", "v1.2");
  for (const Case& c : std::vector<Case>{{"tool.exe", "tool_mfc.exe"}, {"a.b.exe", "a.b_mfc.exe"}, {"tool", "tool_mfc"}}) {
    EXPECT_EQ(MfcExecutablePath(platform::JoinPath(folder, c.name)), platform::JoinPath(folder, c.mfc)) << c.name;
  }
}

TEST(ToolboxProduct, StartsTheMfcVariantWhenItExists) {
  TempFolder folder;
  const std::string exe = folder.Write("tool.exe", "MZ");
  EXPECT_EQ(ProductStartTarget(exe), exe);
  const std::string mfc = folder.Write("tool_mfc.exe", "MZ");
  EXPECT_EQ(ProductStartTarget(exe), mfc);
  // A missing executable is still handed to the shell, which fails quietly.
  EXPECT_EQ(ProductStartTarget(folder.File("missing.exe")), folder.File("missing.exe"));
}

#if defined(_WIN32)
TEST(ToolboxProduct, LeavesAnExecutableThatAnotherProcessWrites) {
  TempFolder folder;
  const std::string exe = folder.Write("tool.exe", "MZ");
  platform::OpenMode exclusive;
  exclusive.access = platform::Access::Write;
  exclusive.disposition = platform::Disposition::OpenExisting;
  exclusive.shareRead = false;
  const platform::FileHandle held = platform::OpenFile(exe, exclusive);
  ASSERT_NE(held, platform::kInvalidFile);
  EXPECT_EQ(ProductStartTarget(exe), std::nullopt);
  platform::CloseFile(held);
  EXPECT_EQ(ProductStartTarget(exe), exe);
}
#endif

// Records what a command would open and answers the question as told.
class RecordingShell : public ToolboxShell {
 public:
  explicit RecordingShell(ProductAnswer answer) : answer_(answer) {}
  void Open(const std::string& target) override { opened.push_back(target); }
  ProductAnswer AskAboutProduct(const ToolboxEntry& entry) override {
    asked.push_back(entry.name);
    return answer_;
  }
  std::vector<std::string> opened;
  std::vector<std::string> asked;

 private:
  ProductAnswer answer_;
};

TEST(ToolboxCommand, PromptSettingDecidesWhetherToAsk) {
  struct Case {
    const char* name;
    const char* prompt;  // the stored "Prompt", or null for none
    ProductAnswer answer;
    bool asks;
    bool opensHome;
    std::string promptAfter;
  };
  const std::vector<Case> cases = {
      {"no setting: ask, cancelled", nullptr, ProductAnswer::Cancel, true, false, ""},
      {"0: ask, cancelled", "0", ProductAnswer::Cancel, true, false, "0"},
      {"0: ask, open", "0", ProductAnswer::Open, true, true, "0"},
      {"0: ask, open and stop asking", "0", ProductAnswer::OpenAndStopAsking, true, true, "1"},
      {"no setting: open and stop asking", nullptr, ProductAnswer::OpenAndStopAsking, true, true, "1"},
      {"set: open at once", "1", ProductAnswer::Cancel, false, true, "1"},
      {"any non-zero: open at once", "7", ProductAnswer::Cancel, false, true, "7"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const std::string ini = folder.Write("vtl.ini", "[Options]\nNeedLog=0\n");
    if (c.prompt != nullptr) {
      ASSERT_TRUE(ProfileWriteString("Toolbox", "Prompt", c.prompt, ini));
    }
    const SettingsStore store(StoreChoice{StoreKind::Ini, ini}, nullptr, [](const Notice&) {});
    RecordingShell shell(c.answer);
    const ToolboxEntry entry = Entry("Mender", false, 1);

    EXPECT_EQ(RunToolboxCommand(entry, store, shell), 1) << c.name;
    EXPECT_EQ(shell.asked, c.asks ? std::vector<std::string>{"Mender"} : std::vector<std::string>{}) << c.name;
    EXPECT_EQ(shell.opened,
              c.opensHome ? std::vector<std::string>{"http://Mender.example/"} : std::vector<std::string>{})
        << c.name;
    EXPECT_EQ(StoredPrompt(ini), c.promptAfter) << c.name;
  }
}

TEST(ToolboxCommand, InstalledProductStartsWithoutAsking) {
  TempFolder folder;
  const std::string ini = folder.Write("vtl.ini", "[Toolbox]\nPrompt=0\n");
  const SettingsStore store(StoreChoice{StoreKind::Ini, ini}, nullptr, [](const Notice&) {});
  ToolboxEntry entry = Entry("Keeper", true, 1);
  entry.executablePath = folder.Write("keeper.exe", "MZ");
  RecordingShell shell(ProductAnswer::Open);
  EXPECT_EQ(RunToolboxCommand(entry, store, shell), 1);
  EXPECT_TRUE(shell.asked.empty());
  EXPECT_EQ(shell.opened, std::vector<std::string>{entry.executablePath});

  RecordingShell unused(ProductAnswer::Open);
  EXPECT_EQ(RunToolboxCommand(std::nullopt, store, unused), 0);
  EXPECT_TRUE(unused.opened.empty());
  EXPECT_TRUE(unused.asked.empty());
}

TEST(ToolboxCommand, KeptToolboxIsReplacedByEveryBuild) {
  Toolbox toolbox;
  toolbox.entries = {Entry("Alpha", false, 1), Entry("Beta", true, 1)};
  KeepToolbox(toolbox);
  ASSERT_TRUE(KeptToolboxEntry(2001).has_value());
  EXPECT_EQ(KeptToolboxEntry(2001)->name, "Beta");
  EXPECT_FALSE(KeptToolboxEntry(2002).has_value());

  toolbox.entries = {Entry("Gamma", false, 1)};
  KeepToolbox(toolbox);
  EXPECT_EQ(KeptToolboxEntry(2000)->name, "Gamma");
  EXPECT_FALSE(KeptToolboxEntry(2001).has_value());

  KeepToolbox(std::nullopt);
  EXPECT_FALSE(KeptToolboxEntry(2000).has_value());
}

TEST(ToolboxCommand, QuestionNamesTheProduct) {
  EXPECT_EQ(ProductNotInstalledText("Mail Mender"),
            "The product is not installed. Would you like to open Mail Mender web site to learn more about the "
            "product and get a free demo?");
}

}  // namespace
}  // namespace tv::tvcore
