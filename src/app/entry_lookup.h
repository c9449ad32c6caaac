// Finds an entry of a scanned tree from the ENTRY argument of a command: a
// path as `scan` prints it ("\Docs\report.doc", '/' also separates) or "#N"
// for the entry whose key is N.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "parser/tree_node.h"

namespace tv {

// The names of a path inside the volume; '\\' and '/' both separate, empty
// names are dropped.
std::vector<std::string> SplitEntryPath(std::string_view path);

// The entry named by `argument` below `root`, or null. A path matches names
// exactly first, then without regard to case; when several entries share a
// path, a deleted one is preferred, else the first in tree order.
TreeNode* FindEntry(TreeNode& root, std::string_view argument);

}  // namespace tv
