// The texts of the folder view's seven columns for one listed entry, the
// same for the window and for `vtl list`.
#pragma once

#include <cstdint>
#include <string>

#include "parser/tree_node.h"
#include "platform/types.h"

namespace tv {

enum class ViewColumn { Name = 0, Type = 1, Folder = 2, Status = 3, Size = 4, Modified = 5, Created = 6 };
inline constexpr int kViewColumnCount = 7;

// The up entry's name: ".." and 28 blanks.
extern const char* const kUpEntryName;

// A live entry listed from a Recycle Bin folder shows the name and folder
// it had before it was deleted (its originalPath); every other entry its own.
bool IsListedBinEntry(const TreeNode& node);
std::string DisplayName(const TreeNode& node);
std::string DisplayFolder(const TreeNode& node);
// The display name's extension without its dot; empty when it has none.
std::string DisplayExtension(const TreeNode& node);

// "N KB": the size divided by 1,024, where 1 to 1,023 bytes count as 1 KB.
std::string SizeText(std::uint64_t size);
// "DD.MM.YYYY HH:MM" in local time (the hour padded with a blank); "Unknown"
// for a zero time when `zeroIsUnknown`, and for fields out of range.
std::string DateText(FileTime utc, bool zeroIsUnknown);
// The shell's type name when the caller has one, else File "ext" or File.
std::string TypeText(const TreeNode& node, const std::string& shellTypeName);
// The desktop shell's type name for the entry under its listed name (empty
// when the shell has none).
std::string ShellTypeNameOf(const TreeNode& node);
// "RecBin", "Good", "Average" or "Poor".
std::string StatusText(const TreeNode& node);

// The text of one column; `shellTypeName` is used by the type column only.
std::string ColumnText(const TreeNode& node, ViewColumn column, const std::string& shellTypeName = {});

}  // namespace tv
