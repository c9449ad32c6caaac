#include "app/entry_lookup.h"

#include <charconv>
#include <vector>

#include "platform/text.h"

namespace tv {
namespace {

// Every node below `root` whose path is `parts`, in tree order.
void CollectMatches(TreeNode& root, const std::vector<std::string>& parts, bool ignoreCase,
                    std::vector<TreeNode*>& matches) {
  struct Step {
    TreeNode* node;
    std::size_t depth;
  };
  std::vector<std::string> wanted = parts;
  if (ignoreCase) {
    for (std::string& part : wanted) part = platform::ToUpperNarrow(part);
  }
  std::vector<Step> pending{{&root, 0}};
  while (!pending.empty()) {
    const Step step = pending.back();
    pending.pop_back();
    if (step.depth == wanted.size()) {
      matches.push_back(step.node);
      continue;
    }
    std::vector<Step> next;
    for (auto& child : step.node->children) {
      const std::string name = ignoreCase ? platform::ToUpperNarrow(child->name) : child->name;
      if (name == wanted[step.depth]) next.push_back({child.get(), step.depth + 1});
    }
    // Reversed onto the stack, so that tree order is kept.
    for (auto it = next.rbegin(); it != next.rend(); ++it) pending.push_back(*it);
  }
}

}  // namespace

std::vector<std::string> SplitEntryPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (const char c : path) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

TreeNode* FindEntry(TreeNode& root, std::string_view argument) {
  if (!argument.empty() && argument.front() == '#') {
    std::uint32_t key = 0;
    const auto* first = argument.data() + 1;
    const auto* last = argument.data() + argument.size();
    const auto [end, error] = std::from_chars(first, last, key);
    if (error != std::errc() || end != last || first == last) return nullptr;
    return FindDescendantByKey(root, key);
  }
  const std::vector<std::string> parts = SplitEntryPath(argument);
  if (parts.empty()) return nullptr;
  for (const bool ignoreCase : {false, true}) {
    std::vector<TreeNode*> matches;
    CollectMatches(root, parts, ignoreCase, matches);
    for (TreeNode* match : matches) {
      if (match->deleted) return match;
    }
    if (!matches.empty()) return matches.front();
  }
  return nullptr;
}

}  // namespace tv
