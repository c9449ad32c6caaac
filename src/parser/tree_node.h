// The recovered-file tree: one node for every file or folder a scan found,
// live or deleted. A node owns its children and its strings; deleting a node
// deletes its whole subtree. Walks over the tree never recurse, so a hostile
// volume with a very deep folder chain cannot exhaust the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "platform/types.h"

namespace tv {

class TreeNode {
 public:
  // A doubly linked list with a sentinel and an element count, in the order
  // the parser appended the children.
  using ChildList = std::list<std::unique_ptr<TreeNode>>;
  // The longest child list a node accepts.
  static constexpr std::size_t kMaxChildren = 0x3FFFFFFE;

  TreeNode();
  TreeNode(std::uint32_t key, std::string name, std::uint32_t attributes, std::uint8_t deleted);
  ~TreeNode();
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  // Deletes every child (and their subtrees); the node itself stays.
  void ClearChildren();

  bool IsDirectory() const { return (attributes & kAttributeDirectory) != 0; }
  bool HasName() const { return !name.empty(); }

  // Texts most nodes never get, kept out of line so that an unset one costs
  // no room in the node. Each reads as empty until it is set.
  //
  // The folder that holds the entry inside the volume, a backslash after
  // every folder name; set when the folder is first listed.
  const std::string& FolderPath() const;
  void SetFolderPath(std::string path);
  // For a live entry of a Recycle Bin folder: the path it had before it was
  // deleted.
  const std::string& OriginalPath() const;
  void SetOriginalPath(std::string path);
  // The entry's UTF-16 name where the file system keeps one that its narrow
  // name cannot give back whole.
  const WString& WideName() const;
  void SetWideName(WString wideName);

  // The fields run from the widest to the narrowest so that the node carries
  // no padding between them: a scan holds one node per entry of the volume.
  ChildList children;
  // The entry's name in the narrow (UTF-8) encoding; empty when built without
  // one. The node keeps no spare capacity behind it.
  std::string name;
  // The folder node that lists this node; not owned; null for the root and
  // for nodes not yet linked.
  TreeNode* parent = nullptr;
  std::uint64_t size = 0;
  FileTime modifiedTime = 0;  // 0 when unknown
  FileTime creationTime = 0;
  // First cluster of the entry (FAT) or MFT record number (NTFS).
  std::uint32_t key = 0;
  std::uint32_t attributes = 0;
  // 0.0 intact ... 1.0 every cluster taken by other data since.
  float damageLevel = 0.0f;
  // 1 = deleted (recoverable). For folders it is recomputed after the scan by
  // MarkFoldersWithDeletedContent.
  std::uint8_t deleted = 0;
  // 1 for every real node; a scan may clear it on a temporary holder node.
  std::uint8_t present = 1;

 private:
  struct RareTexts;
  // Created by the first setter given a non-empty text.
  RareTexts* EnsureRareTexts();

  std::unique_ptr<RareTexts> m_rareTexts;
};

// Adds `child` at the end of the parent's list and returns it. The caller
// sets the child's parent field. Throws std::length_error("list<T> too long")
// when the list already holds kMaxChildren elements.
TreeNode* AppendChild(TreeNode& parent, std::unique_ptr<TreeNode> child);

// The first direct child with that key, or list.end().
TreeNode::ChildList::iterator FindChildByKey(TreeNode::ChildList& list, std::uint32_t key);

// The first node below `root` (not root itself) with that key, in pre-order:
// each child in list order is tested, then its own subtree is searched before
// the next child. Null when there is none.
TreeNode* FindDescendantByKey(TreeNode& root, std::uint32_t key);

// Unlinks `source` from its parent's list and moves every child of `source`
// to the end of target's list (their parent becomes `target`). Returns the
// unlinked source, which the caller now owns, or null when `source` was not
// in its parent's list (its children are moved all the same).
std::unique_ptr<TreeNode> MoveChildren(TreeNode& target, TreeNode& source);

// Adds one to `counter` for every node below `node` (not the node itself)
// whose deleted flag is set.
void CountDeletedNodes(const TreeNode& node, std::uint32_t& counter);

// Sets each folder's deleted flag to 1 when it holds a deleted entry at any
// depth, else 0; an empty folder, deleted or not, ends with 0; files keep the
// flag their parser gave them. Returns the flag of `node`.
std::uint8_t MarkFoldersWithDeletedContent(TreeNode& node);

// The entry's path inside the volume: "\" before every name from the top.
std::string EntryPath(const TreeNode& node);

// The condition shown for a node: "RecBin" for a live node; for a deleted one
// "Good" at damage 0.0, "Poor" at 1.0 and "Average" for anything else.
const char* ConditionLabel(const TreeNode& node);

// The damage level of an entry of which `lost` of `total` parts are gone:
// 0.0 when none is, 1.0 when all are, and otherwise strictly between, so that
// "Poor" always means that nothing of the entry is left.
float DamageLevelOf(std::uint64_t lost, std::uint64_t total);

// A zero modification time is shown as this text.
inline constexpr const char* kUnknownTimeLabel = "Unknown";
inline bool IsTimeKnown(FileTime time) { return time != 0; }

}  // namespace tv
