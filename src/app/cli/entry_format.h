// The printed forms of a tree entry: one line for people, one JSON object
// for programs. Both are file-system neutral.
#pragma once

#include <string>

#include "parser/tree_node.h"
#include "platform/types.h"

namespace tv {

// "YYYY-MM-DDTHH:MM:SSZ" (UTC); empty for an unknown (zero) time.
std::string IsoTime(FileTime time);

// condition, size, modified, created, key and path, in aligned columns; the
// path with its control characters escaped.
std::string FormatEntryLine(const TreeNode& node, const std::string& path);

// `text` for a terminal: every control character (the bytes 0x00 to 0x1F
// and 0x7F, the code points U+0080 to U+009F, and stray bytes 0x80 to 0x9F
// outside any UTF-8 sequence) written as "<XX>" with its code in upper-case
// hex, so that a name read from a volume cannot move the cursor, recolour
// the screen or hide itself. The form stays clear of the '\' that
// separates the names of a path, and Windows allows no '<' or '>' in a
// name, so an escape does not pass for part of a name.
std::string EscapeControlCharacters(const std::string& text);

// {"key":..,"path":..,"name":..,"is_dir":..,"deleted":..,"condition":..,
//  "damage":..,"size":..,"modified":..,"created":..,"original_path":..}
std::string FormatEntryJson(const TreeNode& node, const std::string& path);

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace tv
