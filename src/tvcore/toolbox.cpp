#include "tvcore/toolbox.h"

#include <algorithm>

#include "platform/folders.h"
#include "tvcore/ini_document.h"
#include "tvcore/profile.h"
#include "tvcore/settings_store.h"
#include "tvcore/system_info.h"

namespace tv::tvcore {

namespace {

// The definition's own sections come first: its product description, the
// groups and their order. Product sections follow them.
constexpr std::size_t kDefinitionSections = 3;

struct InstalledProduct {
  std::string name;
  std::string programDir;
};

bool IsProductFile(const FolderEntry& entry) {
  return !entry.isFolder && !entry.name.empty() && (entry.name[0] == 't' || entry.name[0] == 'T');
}

std::string Read(const std::string& file, const std::string& section, const std::string& key) {
  return ProfileReadString(section, key, kToolboxMissingKey, file);
}

// "Toolbox Groups" names the groups and "Toolbox Sequence" gives their
// numbers: the n-th key of one pairs with the n-th key of the other. A group
// without a readable number takes its place in the list, counting from 1.
std::vector<ToolboxGroup> ReadGroups(const std::string& file) {
  const std::vector<std::string> nameKeys = ProfileKeyNames("Toolbox Groups", file);
  const std::vector<std::string> numberKeys = ProfileKeyNames("Toolbox Sequence", file);
  std::vector<ToolboxGroup> groups;
  for (std::size_t i = 0; i < nameKeys.size(); ++i) {
    ToolboxGroup group;
    group.name = Read(file, "Toolbox Groups", nameKeys[i]);
    group.number = static_cast<int>(i + 1);
    if (i < numberKeys.size()) {
      const std::string number = Read(file, "Toolbox Sequence", numberKeys[i]);
      if (!number.empty() && number[0] >= '0' && number[0] <= '9') {
        group.number = static_cast<int>(LeadingDecimal(number.c_str()));
      }
    }
    groups.push_back(std::move(group));
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const ToolboxGroup& a, const ToolboxGroup& b) { return a.number < b.number; });
  return groups;
}

}  // namespace

std::optional<Toolbox> ReadToolbox(const std::string& folder) {
  std::vector<InstalledProduct> installed;
  const FolderEntry* newest = nullptr;
  const std::vector<FolderEntry> files = ListFolder(folder);
  for (const FolderEntry& entry : files) {
    if (!IsProductFile(entry)) continue;
    const std::string file = platform::JoinPath(folder, entry.name);
    installed.push_back({Read(file, "Product", "ProductName"), Read(file, "Product", "ProgramDir")});
    if (newest == nullptr || entry.lastWrite > newest->lastWrite) newest = &entry;
  }
  if (newest == nullptr) return std::nullopt;

  Toolbox toolbox;
  toolbox.definitionFile = platform::JoinPath(folder, newest->name);
  const std::string& definition = toolbox.definitionFile;
  toolbox.groups = ReadGroups(definition);

  const std::vector<std::string> sections = ProfileSectionNames(definition);
  for (std::size_t i = kDefinitionSections; i < sections.size(); ++i) {
    const std::string& name = sections[i];
    const bool known = std::any_of(toolbox.entries.begin(), toolbox.entries.end(),
                                   [&](const ToolboxEntry& entry) { return entry.name == name; });
    if (known) continue;
    ToolboxEntry entry;
    entry.name = name;
    entry.homeUrl = Read(definition, name, "HomeURL");
    entry.description = Read(definition, name, "Desc");
    entry.group = static_cast<int>(LeadingDecimal(Read(definition, name, "GroupNum").c_str()));
    const std::string handle = Read(definition, name, "Handle");
    const auto product = std::find_if(installed.begin(), installed.end(),
                                      [&](const InstalledProduct& p) { return p.name == name; });
    entry.installed = product != installed.end();
    if (entry.installed) entry.executablePath = platform::JoinPath(product->programDir, handle + ".exe");
    toolbox.entries.push_back(std::move(entry));
  }
  std::sort(toolbox.entries.begin(), toolbox.entries.end(),
            [](const ToolboxEntry& a, const ToolboxEntry& b) { return a.name < b.name; });
  return toolbox;
}

}  // namespace tv::tvcore
