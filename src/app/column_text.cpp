#include "app/column_text.h"

#include <cinttypes>
#include <cstdio>

#include "platform/shell_types.h"
#include "platform/times.h"

namespace tv {

const char* const kUpEntryName = "..                            ";

namespace {

// The original path is a Windows path ("C:\Docs\report.doc"): its file name
// starts after the last backslash.
std::size_t OriginalNameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

bool IsListedBinEntry(const TreeNode& node) { return node.deleted == 0 && !node.OriginalPath().empty(); }

std::string DisplayName(const TreeNode& node) {
  if (!IsListedBinEntry(node)) return node.name;
  return node.OriginalPath().substr(OriginalNameStart(node.OriginalPath()));
}

std::string DisplayFolder(const TreeNode& node) {
  if (!IsListedBinEntry(node)) return node.FolderPath();
  const std::string& path = node.OriginalPath();
  std::string folder = path.substr(0, OriginalNameStart(path));
  // Without the drive.
  if (folder.size() >= 2 && folder[1] == ':') folder.erase(0, 2);
  return folder;
}

std::string DisplayExtension(const TreeNode& node) {
  const std::string name = DisplayName(node);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string SizeText(std::uint64_t size) {
  const std::uint64_t counted = size > 0 && size < 1024 ? 1024 : size;
  char text[32];
  std::snprintf(text, sizeof text, "%" PRIu64 " KB", counted / 1024);
  return text;
}

std::string DateText(FileTime utc, bool zeroIsUnknown) {
  if (zeroIsUnknown && !IsTimeKnown(utc)) return kUnknownTimeLabel;
  const platform::CalendarTime local = platform::FileTimeToCalendar(platform::UtcToLocal(utc));
  if (local.day > 31 || local.month > 12 || local.hour > 23 || local.minute > 59) return kUnknownTimeLabel;
  char text[96];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %2d:%02d", local.day, local.month, local.year, local.hour,
                local.minute);
  return text;
}

std::string TypeText(const TreeNode& node, const std::string& shellTypeName) {
  if (!shellTypeName.empty()) return shellTypeName;
  const std::string extension = DisplayExtension(node);
  if (extension.empty()) return "File";
  return "File \"" + extension + "\"";
}

std::string ShellTypeNameOf(const TreeNode& node) {
  return platform::ShellTypeName(DisplayName(node), node.attributes);
}

std::string StatusText(const TreeNode& node) { return ConditionLabel(node); }

std::string ColumnText(const TreeNode& node, ViewColumn column, const std::string& shellTypeName) {
  switch (column) {
    case ViewColumn::Name:
      return DisplayName(node);
    case ViewColumn::Type:
      return TypeText(node, shellTypeName);
    case ViewColumn::Folder:
      return DisplayFolder(node);
    case ViewColumn::Status:
      return StatusText(node);
    case ViewColumn::Size:
      return SizeText(node.size);
    case ViewColumn::Modified:
      return DateText(node.modifiedTime, true);
    case ViewColumn::Created:
      return DateText(node.creationTime, false);
  }
  return {};
}

}  // namespace tv
