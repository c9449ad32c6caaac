#include "app/entry_sort.h"

#include <cctype>
#include <string>
#include <utility>

namespace tv {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int CompareText(const std::string& a, const std::string& b) {
  const int order = Lower(a).compare(Lower(b));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

template <typename T>
int CompareValues(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

int CompareEntries(const TreeNode& a, const TreeNode& b, ViewColumn column) {
  switch (column) {
    case ViewColumn::Name:
      return CompareText(DisplayName(a), DisplayName(b));
    case ViewColumn::Type:
      return CompareText(DisplayExtension(a), DisplayExtension(b));
    case ViewColumn::Folder:
      return CompareText(DisplayFolder(a), DisplayFolder(b));
    case ViewColumn::Status: {
      const bool binA = a.deleted == 0;
      const bool binB = b.deleted == 0;
      if (binA != binB) return binA ? -1 : 1;
      if (binA) return 0;
      return static_cast<int>((a.damageLevel - b.damageLevel) * 100.0f);
    }
    case ViewColumn::Size:
      return CompareValues(a.size, b.size);
    case ViewColumn::Modified:
      return CompareValues(a.modifiedTime, b.modifiedTime);
    case ViewColumn::Created:
      return CompareValues(a.creationTime, b.creationTime);
  }
  return 0;
}

SortDirection NextSortDirection(ViewColumn current, SortDirection direction, ViewColumn clicked) {
  return current == clicked && direction == SortDirection::Ascending ? SortDirection::Descending
                                                                     : SortDirection::Ascending;
}

void SortEntries(std::vector<TreeNode*>& entries, ViewColumn column, SortDirection direction) {
  if (direction == SortDirection::None || entries.size() < 2) return;
  const int sign = direction == SortDirection::Descending ? -1 : 1;
  const auto compare = [&](const TreeNode* a, const TreeNode* b) { return sign * CompareEntries(*a, *b, column); };

  // Ranges still to sort; the larger half of each split waits here, so the
  // list stays short (log2 of the size) whatever the data.
  std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> ranges{{0, static_cast<std::ptrdiff_t>(entries.size()) - 1}};
  while (!ranges.empty()) {
    auto [low, high] = ranges.back();
    ranges.pop_back();
    while (low < high) {
      const TreeNode* pivot = entries[static_cast<std::size_t>(low + (high - low) / 2)];
      std::ptrdiff_t i = low;
      std::ptrdiff_t j = high;
      while (i <= j) {
        while (i < high && compare(entries[static_cast<std::size_t>(i)], pivot) < 0) ++i;
        while (j > low && compare(entries[static_cast<std::size_t>(j)], pivot) > 0) --j;
        if (i <= j) {
          std::swap(entries[static_cast<std::size_t>(i)], entries[static_cast<std::size_t>(j)]);
          ++i;
          --j;
        }
      }
      // Continue with the smaller part, keep the larger for later.
      if (j - low < high - i) {
        if (i < high) ranges.emplace_back(i, high);
        high = j;
      } else {
        if (low < j) ranges.emplace_back(low, j);
        low = i;
      }
    }
  }
}

}  // namespace tv
