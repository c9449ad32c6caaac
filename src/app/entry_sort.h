// The folder view's sort: one comparison per column, negated for the
// descending direction, and the in-place sort of the listed entries.
#pragma once

#include <vector>

#include "app/column_text.h"
#include "parser/tree_node.h"

namespace tv {

enum class SortDirection { None = 0, Ascending = 1, Descending = 2 };

// Negative, zero or positive as `a` sorts before, with or after `b`:
// name and extension, type (extension), folder (all lower-cased, byte by
// byte); status (Recycle Bin entries first, then damage in whole percent);
// size; modification time; creation time.
int CompareEntries(const TreeNode& a, const TreeNode& b, ViewColumn column);

// The direction after a click on `clicked`: descending when the list is
// sorted ascending on that same column, else ascending.
SortDirection NextSortDirection(ViewColumn current, SortDirection direction, ViewColumn clicked);

// Sorts in place (a quicksort around the middle element). The status
// comparison treats damage levels less than 1% apart as equal, which is not
// a strict ordering; the sort stays within the vector whatever it answers.
void SortEntries(std::vector<TreeNode*>& entries, ViewColumn column, SortDirection direction);

}  // namespace tv
