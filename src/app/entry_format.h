// The printed forms of a tree entry: one line for people, one JSON object
// for programs. Both are file-system neutral.
#pragma once

#include <string>

#include "parser/tree_node.h"
#include "platform/types.h"

namespace tv {

// "YYYY-MM-DDTHH:MM:SSZ" (UTC); empty for an unknown (zero) time.
std::string IsoTime(FileTime time);

// condition, size, modified, created, key and path, in aligned columns.
std::string FormatEntryLine(const TreeNode& node, const std::string& path);

// {"key":..,"path":..,"name":..,"is_dir":..,"deleted":..,"condition":..,
//  "damage":..,"size":..,"modified":..,"created":..,"original_path":..}
std::string FormatEntryJson(const TreeNode& node, const std::string& path);

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace tv
