// The Undelete command's work: the destination check, then every selected
// entry written through the parser's RecoverNode with the overwrite question
// and the per-entry message.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/workflow_host.h"
#include "parser/file_system_parser.h"
#include "parser/recovery_report.h"
#include "parser/tree_node.h"

namespace tv {

struct RecoveryRequest {
  // The selected entries in list order; the up entry may be among them.
  std::vector<TreeNode*> selection;
  const TreeNode* upEntry = nullptr;
  std::string destination;
  // The scanned volume as given by the user: a drive letter ("D:") or a path
  // to a block device or an image file.
  std::string volume;
  // No existence questions in this run (the All answer given beforehand).
  bool overwriteAll = false;
};

struct RecoveryOutcome {
  // Each entry's RecoverNode result, in selection order; entries skipped by
  // the No answer or not reached after a stop are absent.
  std::vector<int> results;
  bool refused = false;  // the destination lies on the scanned volume
  bool stopped = false;  // Cancel, or the break flag
  // Every entry, at any depth, that was not written completely.
  RecoveryReport report;
};

// True when `destination` lies on the scanned volume: the same drive letter
// on Windows, the same device as a scanned block device on POSIX. An image
// file is not a mounted volume, so any folder may take its files.
bool DestinationOnScannedVolume(const std::string& destination, const std::string& volume);

// Shows the refusal of a destination on the scanned volume.
void ShowDestinationRefused(WorkflowHost& host, const std::string& volume);

// Runs on the recovery worker: clears the break flag, then recovers the
// selection; messages and questions go to `host`.
RecoveryOutcome RecoverSelection(CFileSystemParser& parser, const RecoveryRequest& request, WorkflowHost& host);

// The message of a top-level result: its kind and text, none for results
// that show nothing (0, -11, -1000) when nothing went wrong. `problems` are
// the entries of this top-level entry that were not written completely; the
// message names the first `maxListed` of them and counts the rest. Also logs
// the "[SA]" line of the errors.
bool RecoveryMessage(int result, const std::string& displayName, int files, int folders,
                     std::span<const RecoveryProblem> problems, std::size_t maxListed, MessageKind& kind,
                     std::string& text);

}  // namespace tv
