#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "parser/tree_node.h"

namespace tv {
namespace {

// A tree written as nested shapes; every name in one tree is unique.
struct Shape {
  std::string name;
  bool isDirectory;
  std::uint8_t deleted;
  std::vector<Shape> children;
};

Shape Dir(std::string name, std::uint8_t deleted, std::vector<Shape> children = {}) {
  return {std::move(name), true, deleted, std::move(children)};
}
Shape File(std::string name, std::uint8_t deleted) { return {std::move(name), false, deleted, {}}; }

void Build(TreeNode& parent, const std::vector<Shape>& shapes, std::uint32_t& nextKey) {
  for (const Shape& shape : shapes) {
    auto node = std::make_unique<TreeNode>(nextKey++, shape.name,
                                           shape.isDirectory ? kAttributeDirectory : 0, shape.deleted);
    node->parent = &parent;
    TreeNode* added = AppendChild(parent, std::move(node));
    Build(*added, shape.children, nextKey);
  }
}

void CollectDeleted(const TreeNode& node, std::set<std::string>& names) {
  for (const auto& child : node.children) {
    if (child->deleted) names.insert(child->name);
    CollectDeleted(*child, names);
  }
}

TEST(MarkFoldersWithDeletedContent, MarksExactlyTheFoldersAboveDeletedEntries) {
  struct MarkCase {
    const char* name;
    std::vector<Shape> tree;
    std::set<std::string> marked;
  };
  const MarkCase cases[] = {
      {"a deleted empty folder ends unmarked",
       {Dir("old", 1), File("live.txt", 0)},
       {}},
      {"a deleted file three levels down marks the folders between",
       {Dir("A", 0, {Dir("B", 0, {Dir("C", 0, {File("gone.doc", 1)})})}),
        Dir("Other", 0, {File("kept.doc", 0)})},
       {"A", "B", "C", "gone.doc"}},
      {"a deleted folder holding only live files is cleared",
       {Dir("gone", 1, {File("f.txt", 0)})},
       {}},
      {"a deleted folder inside a deleted folder, both empty, end unmarked",
       {Dir("outer", 1, {Dir("inner", 1)})},
       {}},
      {"files keep their flags and siblings do not mark each other",
       {Dir("A", 0, {File("x", 1), File("y", 0)}), Dir("B", 1, {Dir("C", 1)}), File("z", 1)},
       {"A", "x", "z"}},
      {"a folder after a marked sibling is still examined",
       {Dir("first", 0, {File("a", 1)}), Dir("second", 1, {Dir("sub", 0, {File("b", 1)})})},
       {"first", "a", "second", "sub", "b"}},
  };
  for (const MarkCase& c : cases) {
    SCOPED_TRACE(c.name);
    TreeNode root;
    std::uint32_t key = 1;
    Build(root, c.tree, key);
    const std::uint8_t result = MarkFoldersWithDeletedContent(root);
    std::set<std::string> marked;
    CollectDeleted(root, marked);
    EXPECT_EQ(marked, c.marked);
    EXPECT_EQ(result, c.marked.empty() ? 0 : 1);
    EXPECT_EQ(root.deleted, result);
  }
}

TEST(TreeNode, DeepChainIsWalkedAndFreedWithoutRecursion) {
  // Far deeper than any stack would allow a recursive walk to go.
  constexpr std::uint32_t kDepth = 200000;
  auto root = std::make_unique<TreeNode>();
  TreeNode* folder = root.get();
  for (std::uint32_t i = 1; i <= kDepth; ++i) {
    auto child = std::make_unique<TreeNode>(i, "d", kAttributeDirectory, 0);
    child->parent = folder;
    folder = AppendChild(*folder, std::move(child));
  }
  auto file = std::make_unique<TreeNode>(kDepth + 1, "f", 0, 1);
  file->parent = folder;
  AppendChild(*folder, std::move(file));

  EXPECT_EQ(MarkFoldersWithDeletedContent(*root), 1);
  std::uint32_t deleted = 0;
  CountDeletedNodes(*root, deleted);
  EXPECT_EQ(deleted, kDepth + 1);
  EXPECT_EQ(FindDescendantByKey(*root, kDepth + 1), folder->children.front().get());
  root.reset();
}

TEST(TreeNode, CountDeletedNodesCountsBelowTheNodeOnly) {
  TreeNode root(0, "root", kAttributeDirectory, 1);
  std::uint32_t key = 1;
  Build(root, {Dir("A", 1, {File("x", 1), File("y", 0)}), File("z", 1)}, key);
  std::uint32_t counter = 5;  // the counter grows; it is not reset
  CountDeletedNodes(root, counter);
  EXPECT_EQ(counter, 5u + 3u);
}

TEST(TreeNode, RarelySetTextsAreEmptyUntilSetAndIndependent) {
  TreeNode node(7, "DC1.DOC", 0, 0);
  EXPECT_TRUE(node.FolderPath().empty());
  EXPECT_TRUE(node.OriginalPath().empty());
  EXPECT_TRUE(node.WideName().empty());

  node.SetOriginalPath("C:\\Docs\\plan.doc");
  EXPECT_TRUE(node.FolderPath().empty());
  node.SetFolderPath("\\RECYCLER\\S-1-5\\");
  node.SetWideName(u"DC1.DOC");
  EXPECT_EQ(node.FolderPath(), "\\RECYCLER\\S-1-5\\");
  EXPECT_EQ(node.OriginalPath(), "C:\\Docs\\plan.doc");
  EXPECT_EQ(node.WideName(), u"DC1.DOC");

  // A text can be emptied again without touching the others.
  node.SetOriginalPath("");
  EXPECT_TRUE(node.OriginalPath().empty());
  EXPECT_EQ(node.FolderPath(), "\\RECYCLER\\S-1-5\\");

  // Another node shares nothing with this one.
  TreeNode other(8, "x", 0, 0);
  other.SetFolderPath("\\Other\\");
  EXPECT_EQ(node.FolderPath(), "\\RECYCLER\\S-1-5\\");
}

TEST(TreeNode, StaysSmallForTreesOfMillionsOfEntries) {
  // A scan holds one node per entry: the node fits a 128-byte heap block
  // (the allocator's 8-byte header included) on the 64-bit builds.
  EXPECT_LE(sizeof(TreeNode), 120u);

  // A converted name may come with room reserved for a far longer text; the
  // node keeps only what the name needs.
  std::string name;
  name.reserve(300);
  name = "a_name_longer_than_the_inline_buffer.txt";
  const std::size_t reserved = name.capacity();
  TreeNode node(1, std::move(name), 0, 1);
  EXPECT_EQ(node.name, "a_name_longer_than_the_inline_buffer.txt");
  EXPECT_LT(node.name.capacity(), reserved);
}

TEST(TreeNode, FindsChildrenByKey) {
  TreeNode root;
  std::uint32_t key = 1;
  // Keys in build order: A=1, X=2, B=3.
  Build(root, {Dir("A", 0, {File("X", 0)}), File("B", 0)}, key);
  TreeNode* b = root.children.back().get();
  b->key = 2;  // B now shares X's key

  auto it = FindChildByKey(root.children, 2);
  ASSERT_NE(it, root.children.end());
  EXPECT_EQ((*it)->name, "B");  // only direct children are looked at
  EXPECT_EQ(FindChildByKey(root.children, 99), root.children.end());

  // Pre-order: A's subtree is searched before B is tested.
  TreeNode* found = FindDescendantByKey(root, 2);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->name, "X");
  EXPECT_EQ(FindDescendantByKey(root, 99), nullptr);
}

TEST(TreeNode, MoveChildrenHandsTheSourcesChildrenToTheTarget) {
  TreeNode root;
  std::uint32_t key = 1;
  Build(root, {Dir("before", 0), Dir("earlier", 0, {File("c1", 1), File("c2", 0)}), Dir("after", 0)},
        key);
  TreeNode* earlier = std::next(root.children.begin())->get();
  TreeNode newer(earlier->key, "newer", kAttributeDirectory, 0);

  std::unique_ptr<TreeNode> unlinked = MoveChildren(newer, *earlier);
  ASSERT_EQ(unlinked.get(), earlier);
  EXPECT_TRUE(unlinked->children.empty());
  std::vector<std::string> siblings;
  for (const auto& child : root.children) siblings.push_back(child->name);
  EXPECT_EQ(siblings, (std::vector<std::string>{"before", "after"}));
  ASSERT_EQ(newer.children.size(), 2u);
  EXPECT_EQ(newer.children.front()->name, "c1");
  EXPECT_EQ(newer.children.back()->name, "c2");
  for (const auto& child : newer.children) EXPECT_EQ(child->parent, &newer);
}

TEST(TreeNode, MoveChildrenRefusesToMoveANodeIntoItself) {
  TreeNode root;
  std::uint32_t key = 1;
  Build(root, {Dir("A", 0, {Dir("B", 0, {File("f", 0)})})}, key);
  TreeNode* a = root.children.front().get();
  TreeNode* b = a->children.front().get();
  EXPECT_EQ(MoveChildren(*b, *a), nullptr);
  EXPECT_EQ(MoveChildren(*a, *a), nullptr);
  EXPECT_EQ(root.children.size(), 1u);
  EXPECT_EQ(a->children.size(), 1u);
  EXPECT_EQ(b->children.size(), 1u);
}

TEST(TreeNode, ClearChildrenEmptiesTheList) {
  TreeNode root;
  std::uint32_t key = 1;
  Build(root, {Dir("A", 1, {File("x", 1)}), File("y", 0)}, key);
  root.ClearChildren();
  EXPECT_TRUE(root.children.empty());
  EXPECT_EQ(root.children.size(), 0u);
}

TEST(TreeNode, ConditionLabels) {
  struct LabelCase {
    std::uint8_t deleted;
    float damage;
    const char* label;
  };
  const LabelCase cases[] = {
      {0, 0.0f, "RecBin"}, {0, 0.5f, "RecBin"}, {1, 0.0f, "Good"},
      {1, 1.0f, "Poor"},   {1, 0.5f, "Average"}, {1, 0.999f, "Average"}, {1, 0.0001f, "Average"},
  };
  for (const LabelCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.deleted) + " " + std::to_string(c.damage));
    TreeNode node(1, "n", 0, c.deleted);
    node.damageLevel = c.damage;
    EXPECT_STREQ(ConditionLabel(node), c.label);
  }
  EXPECT_FALSE(IsTimeKnown(0));
  EXPECT_TRUE(IsTimeKnown(1));
  EXPECT_STREQ(kUnknownTimeLabel, "Unknown");
}

TEST(TreeNode, DamageLevelsKeepNothingLostAndAllLostApart) {
  struct ShareCase {
    std::uint64_t lost;
    std::uint64_t total;
    const char* label;
  };
  constexpr std::uint64_t kHuge = std::uint64_t{1} << 40;
  const ShareCase cases[] = {
      {0, 0, "Good"},           {0, 10, "Good"},    {3, 10, "Average"}, {10, 10, "Poor"},
      {kHuge - 1, kHuge, "Average"},  // rounds to 1.0 as a float
      {1, kHuge, "Average"},    {kHuge, 5, "Poor"},
  };
  for (const ShareCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.lost) + " of " + std::to_string(c.total));
    TreeNode node(1, "n", 0, 1);
    node.damageLevel = DamageLevelOf(c.lost, c.total);
    EXPECT_STREQ(ConditionLabel(node), c.label);
  }
  EXPECT_FLOAT_EQ(DamageLevelOf(3, 10), 0.3f);
}

}  // namespace
}  // namespace tv
