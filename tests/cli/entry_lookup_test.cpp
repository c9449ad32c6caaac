#include "app/entry_lookup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tv {
namespace {

TreeNode* Add(TreeNode& parent, std::uint32_t key, const std::string& name, bool isDirectory, std::uint8_t deleted) {
  auto node = std::make_unique<TreeNode>(key, name, isDirectory ? kAttributeDirectory : 0, deleted);
  node->parent = &parent;
  return AppendChild(parent, std::move(node));
}

// \Docs (10)                    \a.txt (20), \a.txt (21)
//   report.doc (11, deleted)    \Empty (30)
//   Report.doc (12)               Sub (31)
//   notes.txt (13)                  x.bin (40)
//   notes.txt (14, deleted)     \z.bin (40)
//   Отчёт.doc (15)
// Keys repeat as first clusters do on FAT: x.bin and z.bin share 40.
class EntryLookupTest : public ::testing::Test {
 protected:
  EntryLookupTest() {
    TreeNode* docs = Add(m_root, 10, "Docs", true, 0);
    Add(*docs, 11, "report.doc", false, 1);
    Add(*docs, 12, "Report.doc", false, 0);
    Add(*docs, 13, "notes.txt", false, 0);
    Add(*docs, 14, "notes.txt", false, 1);
    Add(*docs, 15, "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.doc", false, 0);
    Add(m_root, 20, "a.txt", false, 0);
    Add(m_root, 21, "a.txt", false, 0);
    TreeNode* empty = Add(m_root, 30, "Empty", true, 0);
    TreeNode* sub = Add(*empty, 31, "Sub", true, 0);
    Add(*sub, 40, "x.bin", false, 1);
    Add(m_root, 40, "z.bin", false, 1);
  }

  // The key and name of what `argument` finds, or "none".
  std::string Found(const std::string& argument) {
    const TreeNode* node = FindEntry(m_root, argument);
    return node ? std::to_string(node->key) + " " + node->name : "none";
  }

  TreeNode m_root;
};

TEST_F(EntryLookupTest, FindsPathsAndKeys) {
  const struct {
    const char* argument;
    const char* found;
  } cases[] = {
      {"\\Docs\\report.doc", "11 report.doc"},
      {"/Docs/report.doc", "11 report.doc"},
      {"\\Docs/report.doc", "11 report.doc"},
      {"Docs\\report.doc", "11 report.doc"},
      {"\\\\Docs\\\\report.doc", "11 report.doc"},
      {"\\Docs\\", "10 Docs"},
      {"\\Empty\\Sub\\x.bin", "40 x.bin"},
      {"\\Docs\\\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.doc", "15 \xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.doc"},
      // The exact name wins over a deleted entry that differs in case only.
      {"\\Docs\\Report.doc", "12 Report.doc"},
      // Without an exact match case is ignored, and a deleted entry is preferred.
      {"\\DOCS\\REPORT.DOC", "11 report.doc"},
      {"\\empty\\sub\\X.BIN", "40 x.bin"},
      // Two entries with one path: the deleted one, else the first.
      {"\\Docs\\notes.txt", "14 notes.txt"},
      {"\\a.txt", "20 a.txt"},
      {"#12", "12 Report.doc"},
      {"#31", "31 Sub"},
      // A shared key names the first entry in pre-order: x.bin, deep in
      // \Empty, comes before z.bin that follows \Empty.
      {"#40", "40 x.bin"},
  };
  for (const auto& c : cases) EXPECT_EQ(Found(c.argument), c.found) << c.argument;
}

TEST_F(EntryLookupTest, FindsNothingForMissingEntriesBadKeysOrTheRoot) {
  const char* const cases[] = {
      "\\Docs\\missing.txt", "\\x.bin", "\\Docs\\report.doc\\more", "\\Doc", "\\Docs\\report",
      "",   "\\",  "/",  "\\\\",
      "#",  "#0",  "#99", "#1x", "# 12", "#-12", "#+12", "#0x0C", "#4294967296", "12",
  };
  for (const char* argument : cases) EXPECT_EQ(Found(argument), "none") << "'" << argument << "'";
}

TEST(SplitEntryPathTest, SplitsOnBothSeparatorsAndDropsEmptyNames) {
  const struct {
    const char* path;
    std::vector<std::string> parts;
  } cases[] = {
      {"", {}},
      {"\\", {}},
      {"\\/\\", {}},
      {"a", {"a"}},
      {"\\Docs\\report.doc", {"Docs", "report.doc"}},
      {"/Docs/report.doc/", {"Docs", "report.doc"}},
      {"a\\\\b//c", {"a", "b", "c"}},
      {" \\ x ", {" ", " x "}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitEntryPath(c.path), c.parts) << "'" << c.path << "'";
}

}  // namespace
}  // namespace tv
