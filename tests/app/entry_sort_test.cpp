#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/entry_sort.h"

namespace tv {
namespace {

struct Row {
  const char* name;
  const char* folder;
  std::uint8_t deleted;
  float damage;
  std::uint64_t size;
  FileTime modified;
  FileTime created;
};

class EntrySort : public ::testing::Test {
 protected:
  void SetUp() override {
    const Row rows[] = {
        {"beta.txt", "\\b\\", 1, 0.50f, 300, 0x200000000ull, 5},
        {"Alpha.doc", "\\C\\", 1, 0.0f, 100, 0x100000005ull, 7},
        {"gamma.bin", "\\a\\", 1, 1.0f, 200, 0x100000001ull, 6},
        {"Dc1.zip", "\\RECYCLER\\S\\", 0, 0.0f, 50, 3, 9},
    };
    for (const Row& row : rows) {
      auto node = std::make_unique<TreeNode>(1, row.name, 0, row.deleted);
      node->SetFolderPath(row.folder);
      node->damageLevel = row.damage;
      node->size = row.size;
      node->modifiedTime = row.modified;
      node->creationTime = row.created;
      if (row.deleted == 0) node->SetOriginalPath("C:\\old\\delta.zip");
      entries.push_back(node.get());
      nodes.push_back(std::move(node));
    }
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const TreeNode* node : entries) names.push_back(DisplayName(*node));
    return names;
  }

  std::vector<std::unique_ptr<TreeNode>> nodes;
  std::vector<TreeNode*> entries;
};

TEST_F(EntrySort, EachColumnInBothDirections) {
  using NameList = std::vector<std::string>;
  struct Case {
    ViewColumn column;
    NameList ascending;
  };
  const Case cases[] = {
      {ViewColumn::Name, {"Alpha.doc", "beta.txt", "delta.zip", "gamma.bin"}},
      {ViewColumn::Type, {"gamma.bin", "Alpha.doc", "beta.txt", "delta.zip"}},
      {ViewColumn::Folder, {"gamma.bin", "beta.txt", "Alpha.doc", "delta.zip"}},
      {ViewColumn::Status, {"delta.zip", "Alpha.doc", "beta.txt", "gamma.bin"}},
      {ViewColumn::Size, {"delta.zip", "Alpha.doc", "gamma.bin", "beta.txt"}},
      {ViewColumn::Modified, {"delta.zip", "gamma.bin", "Alpha.doc", "beta.txt"}},
      {ViewColumn::Created, {"beta.txt", "gamma.bin", "Alpha.doc", "delta.zip"}},
  };
  for (const Case& c : cases) {
    SortEntries(entries, c.column, SortDirection::Ascending);
    EXPECT_EQ(Names(), c.ascending) << static_cast<int>(c.column);
    SortEntries(entries, c.column, SortDirection::Descending);
    EXPECT_EQ(Names(), NameList(c.ascending.rbegin(), c.ascending.rend())) << static_cast<int>(c.column);
  }
}

TEST_F(EntrySort, DamageLessThanOnePercentApartComparesEqual) {
  TreeNode a(1, "a", 0, 1);
  TreeNode b(2, "b", 0, 1);
  a.damageLevel = 0.500f;
  b.damageLevel = 0.505f;
  EXPECT_EQ(CompareEntries(a, b, ViewColumn::Status), 0);
  b.damageLevel = 0.52f;
  EXPECT_LT(CompareEntries(a, b, ViewColumn::Status), 0);
}

TEST(EntrySortOrder, HeaderClicksToggleTheDirection) {
  EXPECT_EQ(NextSortDirection(ViewColumn::Name, SortDirection::None, ViewColumn::Size), SortDirection::Ascending);
  EXPECT_EQ(NextSortDirection(ViewColumn::Size, SortDirection::Ascending, ViewColumn::Size),
            SortDirection::Descending);
  EXPECT_EQ(NextSortDirection(ViewColumn::Size, SortDirection::Descending, ViewColumn::Size),
            SortDirection::Ascending);
  EXPECT_EQ(NextSortDirection(ViewColumn::Size, SortDirection::Ascending, ViewColumn::Name),
            SortDirection::Ascending);
}

TEST(EntrySortOrder, LargeListsWithManyEqualKeysStaySorted) {
  std::vector<std::unique_ptr<TreeNode>> nodes;
  std::vector<TreeNode*> entries;
  for (std::uint32_t i = 0; i < 5000; ++i) {
    nodes.push_back(std::make_unique<TreeNode>(i, "n", 0, 1));
    nodes.back()->size = (i * 7919u) % 13;
    nodes.back()->damageLevel = static_cast<float>(i % 100) / 99.0f;
    entries.push_back(nodes.back().get());
  }
  SortEntries(entries, ViewColumn::Size, SortDirection::Descending);
  for (std::size_t i = 1; i < entries.size(); ++i) ASSERT_GE(entries[i - 1]->size, entries[i]->size);
  SortEntries(entries, ViewColumn::Status, SortDirection::Ascending);
  EXPECT_EQ(entries.size(), 5000u);
}

}  // namespace
}  // namespace tv
