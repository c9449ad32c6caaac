// vtl scan VOLUME [--all] [--json]: scans a volume and prints its deleted
// entries (every entry with --all), one line each or as a JSON array.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/scanned_volume.h"
#include "app/cli/entry_format.h"
#include "app/entry_lookup.h"
#include "app/bin_names.h"

namespace tv::cli {

int RunScanCommand(const CliArgs& args) {
  if (args.positional.size() != 1) {
    std::fprintf(stderr, "vtl scan: expected one VOLUME (see vtl --help)\n");
    return kExitUsage;
  }
  int exitCode = kExitOk;
  CliHost host(OverwritePolicy::No, args.quiet);
  const auto scanned = OpenAndScanVolume("scan", args.positional[0], host, exitCode);
  if (!scanned) return exitCode;

  const bool all = args.Has("--all");
  const bool json = args.Has("--json");
  if (json) std::fputs("[", stdout);
  bool first = true;
  // Pre-order over the tree without recursion: children in list order.
  std::vector<TreeNode*> pending;
  TreeNode& root = scanned->parser->Root();
  for (auto it = root.children.rbegin(); it != root.children.rend(); ++it) pending.push_back(it->get());
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(it->get());
    if (!all && !node->deleted) continue;
    // A live file in a Recycle Bin folder gets the path it had before.
    if (!node->deleted) ResolveBinEntry(*scanned->parser, *node);
    const std::string path = EntryPath(*node);
    if (json) {
      std::fputs(first ? "\n  " : ",\n  ", stdout);
      std::fputs(FormatEntryJson(*node, path).c_str(), stdout);
    } else {
      std::puts(FormatEntryLine(*node, path).c_str());
    }
    first = false;
  }
  if (json) std::fputs(first ? "]\n" : "\n]\n", stdout);
  std::fflush(stdout);
  return ReportScanEnd("scan", *scanned);
}

}  // namespace tv::cli
