#include "tvcore/toolbox_menu.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv::tvcore {

namespace {

constexpr std::size_t kCommandCount = kToolboxLastCommand - kToolboxFirstCommand + 1;

ToolboxMenuItem Command(const std::string& text, int command, bool checked) {
  ToolboxMenuItem item;
  item.kind = ToolboxMenuItem::Kind::Command;
  item.text = text;
  item.command = command;
  item.checked = checked;
  return item;
}

ToolboxMenuItem Separator() { return ToolboxMenuItem{}; }

// The entries that can have a command, with their commands.
std::size_t CommandEntries(const Toolbox& toolbox) { return std::min(toolbox.entries.size(), kCommandCount); }

int CommandOf(std::size_t index) { return kToolboxFirstCommand + static_cast<int>(index); }

}  // namespace

bool AppendToolboxFolder(char* buffer, std::size_t capacity) {
  if (buffer == nullptr) return false;
  const void* end = std::memchr(buffer, '\0', capacity);
  if (end == nullptr) return false;
  const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(end) - buffer);
  const std::size_t added = std::strlen(kToolboxSubfolder);
  if (length + added + 1 > capacity) return false;
  std::memcpy(buffer + length, kToolboxSubfolder, added + 1);
  return true;
}

std::vector<ToolboxMenuItem> ToolboxMenuLayout(const Toolbox& toolbox) {
  const std::size_t count = CommandEntries(toolbox);
  std::vector<ToolboxMenuItem> items;
  for (std::size_t i = 0; i < count; ++i) {
    const ToolboxEntry& entry = toolbox.entries[i];
    if (entry.installed) items.push_back(Command(entry.name, CommandOf(i), false));
  }
  items.push_back(Separator());
  for (const ToolboxGroup& group : toolbox.groups) {
    ToolboxMenuItem submenu;
    submenu.kind = ToolboxMenuItem::Kind::Submenu;
    submenu.text = group.name;
    for (std::size_t i = 0; i < count; ++i) {
      const ToolboxEntry& entry = toolbox.entries[i];
      if (entry.group == group.number) submenu.items.push_back(Command(entry.name, CommandOf(i), entry.installed));
    }
    items.push_back(std::move(submenu));
  }
  items.push_back(Separator());
  items.push_back(Command(kToolboxReferenceText, kToolboxReferenceCommand, false));
  return items;
}

const ToolboxEntry* ToolboxCommandEntry(const Toolbox& toolbox, int command) {
  if (command < kToolboxFirstCommand || command > kToolboxLastCommand) return nullptr;
  const auto index = static_cast<std::size_t>(command - kToolboxFirstCommand);
  return index < toolbox.entries.size() ? &toolbox.entries[index] : nullptr;
}

std::string MfcExecutablePath(const std::string& executablePath) {
  const std::size_t nameStart = platform::FileNameStart(executablePath);
  const std::size_t dot = executablePath.rfind('.');
  const std::size_t insertAt = dot != std::string::npos && dot >= nameStart ? dot : executablePath.size();
  std::string path = executablePath;
  path.insert(insertAt, "_mfc");
  return path;
}

std::optional<std::string> ProductStartTarget(const std::string& executablePath) {
  const std::string mfc = MfcExecutablePath(executablePath);
  if (platform::PathExists(mfc)) return mfc;
  // An executable that another process holds open for writing (an installer
  // updating it) is left alone. Any other failure to read it is the shell's
  // to report: starting a missing file simply does nothing.
  platform::OpenMode mode;
  mode.access = platform::Access::Read;
  mode.disposition = platform::Disposition::OpenExisting;
  mode.shareRead = true;
  mode.shareWrite = false;
  platform::SetLastError(0);
  const platform::FileHandle file = platform::OpenFile(executablePath, mode);
  if (file != platform::kInvalidFile) {
    platform::CloseFile(file);
    return executablePath;
  }
  if (platform::ClassifyError(platform::GetLastError()) == platform::FileErrorKind::SharingViolation) {
    return std::nullopt;
  }
  return executablePath;
}

ToolboxStep ChooseToolboxStep(const ToolboxEntry& entry, unsigned prompt) {
  if (entry.installed) return ToolboxStep::StartProduct;
  return prompt == 0 ? ToolboxStep::AskAboutProduct : ToolboxStep::OpenHomePage;
}

std::string ProductNotInstalledText(const std::string& productName) {
  return "The product is not installed. Would you like to open " + productName +
         " web site to learn more about the product and get a free demo?";
}

int RunToolboxCommand(const std::optional<ToolboxEntry>& entry, const SettingsStore& store, ToolboxShell& shell) {
  if (!entry.has_value()) return 0;
  // The setting matters only for products that are not installed.
  const unsigned prompt = entry->installed ? 0 : store.ReadInt(kToolboxSection, kPromptKey, 0);
  switch (ChooseToolboxStep(*entry, prompt)) {
    case ToolboxStep::StartProduct:
      if (const std::optional<std::string> target = ProductStartTarget(entry->executablePath)) shell.Open(*target);
      break;
    case ToolboxStep::AskAboutProduct: {
      const ProductAnswer answer = shell.AskAboutProduct(*entry);
      if (answer == ProductAnswer::Cancel) break;
      if (answer == ProductAnswer::OpenAndStopAsking) store.SaveString(kToolboxSection, kPromptKey, "1");
      shell.Open(entry->homeUrl);
      break;
    }
    case ToolboxStep::OpenHomePage:
      shell.Open(entry->homeUrl);
      break;
  }
  return 1;
}

namespace {

struct KeptToolbox {
  std::mutex lock;
  std::optional<Toolbox> toolbox;
};

KeptToolbox& Kept() {
  static KeptToolbox kept;
  return kept;
}

}  // namespace

void KeepToolbox(std::optional<Toolbox> toolbox) {
  KeptToolbox& kept = Kept();
  const std::lock_guard<std::mutex> guard(kept.lock);
  kept.toolbox = std::move(toolbox);
}

std::optional<ToolboxEntry> KeptToolboxEntry(int command) {
  KeptToolbox& kept = Kept();
  const std::lock_guard<std::mutex> guard(kept.lock);
  if (!kept.toolbox.has_value()) return std::nullopt;
  const ToolboxEntry* entry = ToolboxCommandEntry(*kept.toolbox, command);
  if (entry == nullptr) return std::nullopt;
  return *entry;
}

}  // namespace tv::tvcore
