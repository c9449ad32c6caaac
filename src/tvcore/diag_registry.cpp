#include "tvcore/diag_registry.h"

#include <cstdio>

#include "platform/folders.h"
#include "platform/times.h"
#include "tvcore/diag_sections.h"
#include "tvcore/ini_document.h"
#include "tvcore/registry_standin.h"

namespace tv::tvcore {

namespace {

// A folder tree deeper than this is not listed further; it keeps a tree
// with a loop the listing cannot see from looping for ever.
constexpr int kMaxFolderDepth = 64;
// The registry itself allows no deeper nesting.
constexpr int kMaxKeyDepth = 512;
// The longest value name and value text the dump shows.
constexpr std::size_t kMaxValueName = 256;
constexpr std::size_t kMaxValueText = 512;

std::string QueryText(RegistryKey& key, const std::string& name) {
  RegistryValue value;
  return key.Query(name, &value) == 0 ? value.text : std::string();
}

std::string FormatTime(FileTime time) {
  const platform::CalendarTime t = platform::FileTimeToCalendar(time);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                t.second);
  return text;
}

void WriteFolderRows(HtmlWriter& writer, const std::string& folder, int depth) {
  for (const FolderEntry& entry : ListFolder(folder)) {
    if (entry.name.empty() || entry.name[0] == '.') continue;
    WriteFileRow(writer, folder, entry);
    if (entry.isFolder && !entry.isLink && depth < kMaxFolderDepth) {
      WriteFolderRows(writer, platform::JoinPath(folder, entry.name), depth + 1);
    }
  }
}

void DumpKey(HtmlWriter& writer, Registry& registry, RegistryRoot root, const std::string& path, int depth) {
  writer.LineBreak();
  const char* rootName = root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
  writer.Text("[" + std::string(rootName) + "\\" + EscapeHtml(path) + "]");
  std::unique_ptr<RegistryKey> key;
  if (registry.Open(root, path, &key) != 0) return;

  const std::vector<RegistryValue> values = key->Values();
  for (const RegistryValue& value : values) {
    if (value.type == kRegBinary) continue;
    const std::string text = value.text.substr(0, kMaxValueText);
    if (text.empty()) continue;
    const std::string name = value.name.empty() ? "(Defalut)" : value.name.substr(0, kMaxValueName);
    writer.LineBreak();
    writer.Text("\"" + EscapeHtml(name) + "\"=\"" + EscapeHtml(text) + "\"");
  }
  if (!values.empty()) writer.LineBreak();
  if (depth >= kMaxKeyDepth) return;
  for (const std::string& subkey : key->Subkeys()) {
    DumpKey(writer, registry, root, path + "\\" + subkey, depth + 1);
  }
}

}  // namespace

std::vector<std::string> ProductKeys(Registry& registry) {
  std::vector<std::string> keys;
  std::unique_ptr<RegistryKey> maker;
  if (registry.Open(RegistryRoot::CurrentUser, kMakerKey, &maker) != 0) return keys;
  for (std::string& name : maker->Subkeys()) {
    if (!EqualsIgnoringCase(name, "Toolbox")) keys.push_back(std::move(name));
  }
  return keys;
}

std::string ProductProgramDir(Registry& registry, const std::string& productKey) {
  const std::string path = std::string(kMakerKey) + "\\" + productKey;
  std::unique_ptr<RegistryKey> key;
  if (registry.Open(RegistryRoot::CurrentUser, path, &key) == 0) {
    std::string folder = QueryText(*key, "ProgramDir");
    if (!folder.empty()) return folder;
  }
  if (registry.Open(RegistryRoot::CurrentUser, path + "\\Product", &key) == 0) return QueryText(*key, "ProgramDir");
  return {};
}

std::string AttributeLetters(std::uint32_t attributes) {
  struct Letter {
    std::uint32_t bit;
    char letter;
  };
  static constexpr Letter kLetters[] = {
      {kAttributeArchive, 'A'}, {kAttributeCompressed, 'C'}, {kAttributeEncrypted, 'E'}, {kAttributeHidden, 'H'},
      {kAttributeOffline, 'O'}, {kAttributeReadOnly, 'R'},   {kAttributeSystem, 'S'},
  };
  std::string letters;
  for (const Letter& entry : kLetters) letters += (attributes & entry.bit) != 0 ? entry.letter : '.';
  return letters;
}

void WriteFileRow(HtmlWriter& writer, const std::string& folder, const FolderEntry& entry) {
  writer.Row(true);
  writer.Cell(EscapeHtml(platform::JoinPath(folder, entry.name)));
  writer.Cell(entry.isFolder ? "&lt;DIRECTORY&gt;" : std::to_string(entry.size), "right");
  writer.Cell(FormatTime(entry.lastWrite));
  writer.Cell(AttributeLetters(entry.attributes));
  writer.Cell(EscapeHtml(entry.shortName.empty() ? entry.name : entry.shortName));
  writer.Row(false);
}

void WriteProductFiles(HtmlWriter& writer, const std::string& productKey, const std::string& storedFolder,
                       const std::string& longFolder) {
  writer.LineBreak();
  WriteSectionHead(writer, EscapeHtml(productKey),
                   EscapeHtml(productKey + " - " + longFolder + " - " + storedFolder));
  // Without a recorded folder there is nothing to list; an empty path would
  // list the current folder instead.
  if (storedFolder.empty()) {
    writer.Text("No program folder is recorded for this product.");
    return;
  }
  writer.Table(true, 1);
  writer.Row(true);
  for (const char* header : {"File name", "Size", "Date and time", "Attributes", "Short name"}) writer.Cell(header);
  writer.Row(false);
  WriteFolderRows(writer, longFolder, 0);
  writer.Table(false);
}

const std::vector<RegistryTree>& ReportRegistryTrees() {
  static const std::vector<RegistryTree> trees = {
      {"5", "Talvenor Registry At HKEY_CURRENT_USER", RegistryRoot::CurrentUser, "Software\\Morvanix"},
      {"3", "Microsoft Office Registry At HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine, "Software\\Microsoft\\Office"},
      {"4", "Microsoft Office Registry At HKEY_CURRENT_USER", RegistryRoot::CurrentUser, "Software\\Microsoft\\Office"},
      {"6", "Microsoft Works Registry At HKEY_CURRENT_USER", RegistryRoot::CurrentUser, "Software\\Microsoft\\Works"},
      {"7", "Microsoft Works Registry At HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine, "Software\\Microsoft\\Works"},
      {"8", "Microsoft Money Registry At HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine, "Software\\Microsoft\\Money"},
      {"9", "Microsoft Money Registry At HKEY_CURRENT_USER", RegistryRoot::CurrentUser, "Software\\Microsoft\\Money"},
  };
  return trees;
}

void WriteRegistryTree(HtmlWriter& writer, Registry& registry, const RegistryTree& tree) {
  writer.LineBreak();
  writer.Bold(true);
  writer.Anchor(tree.anchor);
  writer.Text(tree.title);
  writer.EndAnchor();
  writer.Bold(false);
  DumpKey(writer, registry, tree.root, tree.path, 0);
}

void DumpRegistryKey(HtmlWriter& writer, Registry& registry, RegistryRoot root, const std::string& path) {
  DumpKey(writer, registry, root, path, 0);
}

}  // namespace tv::tvcore
