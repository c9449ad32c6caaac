#include "parser/tree_node.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

namespace tv {

struct TreeNode::RareTexts {
  std::string folderPath;
  std::string originalPath;
  WString wideName;
};

namespace {

const std::string kNoText;
const WString kNoWideText;

}  // namespace

TreeNode::TreeNode() = default;

TreeNode::TreeNode(std::uint32_t key, std::string name, std::uint32_t attributes,
                   std::uint8_t deleted)
    : name(std::move(name)), key(key), attributes(attributes), deleted(deleted) {
  // A converted name may arrive with room reserved for a longer text; the
  // node lives as long as the tree, so it keeps only what the name needs.
  this->name.shrink_to_fit();
}

TreeNode::~TreeNode() { ClearChildren(); }

TreeNode::RareTexts* TreeNode::EnsureRareTexts() {
  if (!m_rareTexts) m_rareTexts = std::make_unique<RareTexts>();
  return m_rareTexts.get();
}

const std::string& TreeNode::FolderPath() const { return m_rareTexts ? m_rareTexts->folderPath : kNoText; }

void TreeNode::SetFolderPath(std::string path) {
  if (path.empty() && !m_rareTexts) return;
  EnsureRareTexts()->folderPath = std::move(path);
}

const std::string& TreeNode::OriginalPath() const { return m_rareTexts ? m_rareTexts->originalPath : kNoText; }

void TreeNode::SetOriginalPath(std::string path) {
  if (path.empty() && !m_rareTexts) return;
  EnsureRareTexts()->originalPath = std::move(path);
}

const WString& TreeNode::WideName() const { return m_rareTexts ? m_rareTexts->wideName : kNoWideText; }

void TreeNode::SetWideName(WString wideName) {
  if (wideName.empty() && !m_rareTexts) return;
  EnsureRareTexts()->wideName = std::move(wideName);
}

void TreeNode::ClearChildren() {
  // Detach the whole subtree first and free it node by node, so that a deep
  // chain of folders is not destroyed by nested destructor calls.
  std::vector<std::unique_ptr<TreeNode>> pending;
  for (auto& child : children) pending.push_back(std::move(child));
  children.clear();
  while (!pending.empty()) {
    std::unique_ptr<TreeNode> node = std::move(pending.back());
    pending.pop_back();
    if (!node) continue;
    for (auto& child : node->children) pending.push_back(std::move(child));
    node->children.clear();
  }
}

TreeNode* AppendChild(TreeNode& parent, std::unique_ptr<TreeNode> child) {
  if (!child) return nullptr;
  if (parent.children.size() >= TreeNode::kMaxChildren) throw std::length_error("list<T> too long");
  parent.children.push_back(std::move(child));
  return parent.children.back().get();
}

TreeNode::ChildList::iterator FindChildByKey(TreeNode::ChildList& list, std::uint32_t key) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it && (*it)->key == key) return it;
  }
  return list.end();
}

TreeNode* FindDescendantByKey(TreeNode& root, std::uint32_t key) {
  std::vector<TreeNode*> pending;
  for (auto it = root.children.rbegin(); it != root.children.rend(); ++it) pending.push_back(it->get());
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    if (node == nullptr) continue;
    if (node->key == key) return node;
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
      pending.push_back(it->get());
    }
  }
  return nullptr;
}

namespace {

bool IsSameOrBelow(const TreeNode* node, const TreeNode* ancestor) {
  for (; node != nullptr; node = node->parent) {
    if (node == ancestor) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<TreeNode> MoveChildren(TreeNode& target, TreeNode& source) {
  // Moving a node's children into itself or into one of its own descendants
  // would make the subtree own itself.
  if (IsSameOrBelow(&target, &source)) return nullptr;
  if (target.children.size() + source.children.size() > TreeNode::kMaxChildren) {
    throw std::length_error("list<T> too long");
  }

  std::unique_ptr<TreeNode> unlinked;
  if (source.parent != nullptr) {
    auto& siblings = source.parent->children;
    for (auto it = siblings.begin(); it != siblings.end(); ++it) {
      if (it->get() == &source) {
        unlinked = std::move(*it);
        siblings.erase(it);
        break;
      }
    }
  }
  for (auto& child : source.children) {
    if (child) child->parent = &target;
  }
  target.children.splice(target.children.end(), source.children);
  return unlinked;
}

void CountDeletedNodes(const TreeNode& node, std::uint32_t& counter) {
  std::vector<const TreeNode*> pending{&node};
  while (!pending.empty()) {
    const TreeNode* current = pending.back();
    pending.pop_back();
    for (const auto& child : current->children) {
      if (!child) continue;
      if (child->deleted) ++counter;
      pending.push_back(child.get());
    }
  }
}

std::uint8_t MarkFoldersWithDeletedContent(TreeNode& node) {
  if (node.children.empty()) {
    node.deleted = 0;
    return 0;
  }
  // A post-order walk with an explicit stack: a folder's flag is known once
  // all of its children are done.
  struct Frame {
    TreeNode* folder;
    TreeNode::ChildList::iterator next;
    std::uint8_t result;
  };
  std::vector<Frame> stack{{&node, node.children.begin(), 0}};
  for (;;) {
    Frame& top = stack.back();
    if (top.next == top.folder->children.end()) {
      const std::uint8_t result = top.result;
      top.folder->deleted = result;
      stack.pop_back();
      if (stack.empty()) return result;
      Frame& parent = stack.back();
      if (parent.result == 0) parent.result = result;
      ++parent.next;
      continue;
    }
    TreeNode* child = top.next->get();
    if (child == nullptr) {
      ++top.next;
      continue;
    }
    if (child->IsDirectory()) {
      if (child->children.empty()) {
        child->deleted = 0;
        ++top.next;
      } else {
        stack.push_back({child, child->children.begin(), 0});
      }
      continue;
    }
    if (child->deleted) top.result = 1;
    ++top.next;
  }
}

const char* ConditionLabel(const TreeNode& node) {
  if (!node.deleted) return "RecBin";
  if (node.damageLevel == 0.0f) return "Good";
  if (node.damageLevel == 1.0f) return "Poor";
  return "Average";
}

float DamageLevelOf(std::uint64_t lost, std::uint64_t total) {
  if (lost == 0 || total == 0) return 0.0f;
  if (lost >= total) return 1.0f;
  // A share close to 1 may round up to 1 as a float.
  const auto share = static_cast<float>(static_cast<double>(lost) / static_cast<double>(total));
  return std::min(share, std::nextafter(1.0f, 0.0f));
}

std::string EntryPath(const TreeNode& node) {
  std::vector<const TreeNode*> chain;
  for (const TreeNode* at = &node; at != nullptr && at->parent != nullptr; at = at->parent) chain.push_back(at);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    path += '\\';
    path += (*it)->name;
  }
  return path.empty() ? "\\" : path;
}

}  // namespace tv
