// vtl list VOLUME [FOLDER] [--files PATTERN] [--folders PATTERN]
//          [--sort COLUMN[:desc]] [--json]
// Shows one folder of the scanned volume the way the main window's list
// does: the same listing rule, filters, column texts and sort order.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/scanned_volume.h"
#include "app/cli/entry_format.h"
#include "app/column_text.h"
#include "app/entry_sort.h"
#include "app/folder_view.h"

namespace tv::cli {
namespace {

constexpr std::array<const char*, kViewColumnCount> kColumnNames = {"name",   "type",     "folder", "status",
                                                                    "size",   "modified", "created"};
constexpr std::array<const char*, kViewColumnCount> kColumnHeaders = {"File",   "Type",          "Folder", "Status",
                                                                      "Size",   "Date modified", "Date Created"};

bool ParseSort(const std::string& text, ViewColumn& column, SortDirection& direction) {
  std::string name = text;
  direction = SortDirection::Ascending;
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) {
    const std::string order = text.substr(colon + 1);
    if (order == "desc") {
      direction = SortDirection::Descending;
    } else if (order != "asc") {
      return false;
    }
    name = text.substr(0, colon);
  }
  for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
    if (name == kColumnNames[i] || name == std::to_string(i)) {
      column = static_cast<ViewColumn>(i);
      return true;
    }
  }
  return false;
}

// Characters of UTF-8 text, for lining the columns up.
std::size_t TextWidth(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The texts of one row as the window shows them, the shell's type name
// included; unescaped (the JSON form escapes in its own way).
std::array<std::string, kViewColumnCount> RowTexts(const TreeNode& node) {
  const std::string shellType = ShellTypeNameOf(node);
  std::array<std::string, kViewColumnCount> row;
  for (int c = 0; c < kViewColumnCount; ++c) {
    row[static_cast<std::size_t>(c)] = ColumnText(node, static_cast<ViewColumn>(c), shellType);
  }
  return row;
}

void PrintTable(const FolderView& view) {
  std::vector<std::array<std::string, kViewColumnCount>> rows;
  std::array<std::size_t, kViewColumnCount> widths{};
  std::array<std::string, kViewColumnCount> header;
  for (int c = 0; c < kViewColumnCount; ++c) header[static_cast<std::size_t>(c)] = kColumnHeaders[static_cast<std::size_t>(c)];
  rows.push_back(header);
  for (const TreeNode* node : view.Entries()) {
    rows.push_back(RowTexts(*node));
    for (std::string& text : rows.back()) text = EscapeControlCharacters(text);
  }
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], TextWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - TextWidth(row[c]), ' ');
      if (c + 1 < row.size()) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::puts(line.c_str());
  }
}

void PrintJson(const FolderView& view) {
  std::fputs("[", stdout);
  bool first = true;
  for (const TreeNode* node : view.Entries()) {
    std::string object = "{\"key\":" + std::to_string(node->key) + ",\"is_dir\":" + (node->IsDirectory() ? "true" : "false") +
                         ",\"up\":" + (view.IsUpEntry(*node) ? "true" : "false");
    const auto row = RowTexts(*node);
    for (std::size_t c = 0; c < row.size(); ++c) {
      object += ",\"" + std::string(kColumnNames[c]) + "\":" + JsonString(row[c]);
    }
    object += "}";
    std::fputs(first ? "\n  " : ",\n  ", stdout);
    std::fputs(object.c_str(), stdout);
    first = false;
  }
  std::fputs(first ? "]\n" : "\n]\n", stdout);
}

}  // namespace

int RunListCommand(const CliArgs& args) {
  if (args.positional.empty() || args.positional.size() > 2) {
    std::fprintf(stderr, "vtl list: expected VOLUME [FOLDER] (see vtl --help)\n");
    return kExitUsage;
  }
  ViewColumn column = ViewColumn::Name;
  SortDirection direction = SortDirection::None;
  if (const auto sort = args.Value("--sort")) {
    if (!ParseSort(*sort, column, direction)) {
      std::fprintf(stderr, "vtl list: --sort takes a column (name, type, folder, status, size, modified, "
                           "created) with an optional :desc\n");
      return kExitUsage;
    }
  }
  int exitCode = kExitOk;
  CliHost host(OverwritePolicy::No, args.quiet);
  const auto scanned = OpenAndScanVolume("list", args.positional[0], host, exitCode);
  if (!scanned) return exitCode;

  FolderView view(*scanned);
  if (args.positional.size() == 2 && !view.GoTo(args.positional[1])) {
    std::fprintf(stderr, "vtl list: no folder '%s' on the volume\n", args.positional[1].c_str());
    return kExitUsage;
  }
  view.SetFilters(args.Value("--files").value_or("*.*"), args.Value("--folders").value_or(""));
  view.SetSort(column, direction);
  view.Refresh();

  if (args.Has("--json")) {
    PrintJson(view);
  } else {
    PrintTable(view);
    std::printf("\n%u deleted structures, %u files and %u folders match filter\n", view.DeletedStructures(),
                view.FilesMatched(), view.FoldersMatched());
  }
  std::fflush(stdout);
  return ReportScanEnd("list", *scanned);
}

}  // namespace tv::cli
