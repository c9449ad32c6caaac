// vtl recover VOLUME --to DIR (--all | ENTRY...) [--overwrite ask|all|no]
// Writes entries the way the Undelete command does: the same results,
// messages, numbered names and file times.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/cli_host.h"
#include "app/cli/commands.h"
#include "app/cli/scanned_volume.h"
#include "app/entry_lookup.h"
#include "app/scan_run.h"
#include "app/recover_selection.h"
#include "app/scan_controller.h"
#include "parser/recovery_output.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/types.h"

namespace tv::cli {
namespace {

// Creates the destination folder and any missing folder above it; false
// with the system's error when it is not a folder afterwards.
bool CreateFolderPath(const std::string& path, std::uint32_t& error) {
  error = err::kSuccess;
  for (std::size_t end = 1; end <= path.size(); ++end) {
    if (end == path.size() || path[end] == '/' || path[end] == '\\') {
      const std::string prefix = path.substr(0, end);
      if (!prefix.empty() && prefix.back() != ':' && !platform::IsDirectory(prefix) &&
          !platform::CreateDirectory(prefix)) {
        error = platform::GetLastError();
      }
    }
  }
  if (platform::IsDirectory(path)) return true;
  if (error == err::kSuccess || platform::PathExists(path)) error = err::kAlreadyExists;
  return false;
}

}  // namespace

int RunRecoverCommand(const CliArgs& args) {
  const auto destination = args.Value("--to");
  const bool all = args.Has("--all");
  if (args.positional.empty() || !destination || destination->empty() || (all == (args.positional.size() > 1))) {
    std::fprintf(stderr, "vtl recover: expected VOLUME --to DIR and either --all or ENTRY... (see vtl --help)\n");
    return kExitUsage;
  }
  // Without a terminal to ask on, every entry is written under a free name.
  OverwritePolicy policy = platform::IsStandardErrorTerminal() ? OverwritePolicy::Ask : OverwritePolicy::All;
  if (const auto overwrite = args.Value("--overwrite")) {
    if (!ParseOverwritePolicy(*overwrite, policy)) {
      std::fprintf(stderr, "vtl recover: --overwrite takes ask, all or no\n");
      return kExitUsage;
    }
  }
  const std::string& volume = args.positional[0];
  CliHost host(policy, args.quiet);
  if (DestinationOnScannedVolume(*destination, volume)) {
    ShowDestinationRefused(host, volume);
    return kExitUsage;
  }

  int exitCode = kExitOk;
  const auto scanned = OpenAndScanVolume("recover", volume, host, exitCode);
  if (!scanned) return exitCode;
  if (scanned->lastScanResult == kScanStopped) {
    std::fprintf(stderr, "vtl recover: stopped during the scan; nothing was recovered\n");
    return kExitStopped;
  }
  TreeNode& root = scanned->parser->Root();

  RecoveryRequest request;
  request.destination = *destination;
  request.volume = volume;
  if (all) {
    // Every top-level entry that holds deleted content, so that the folders
    // of the deleted files are kept under DIR.
    for (auto& child : root.children) {
      if (child->deleted != 0) request.selection.push_back(child.get());
    }
  } else {
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
      TreeNode* node = FindEntry(root, args.positional[i]);
      if (node == nullptr) {
        std::fprintf(stderr, "vtl recover: no entry '%s' on the volume\n", args.positional[i].c_str());
        return kExitUsage;
      }
      request.selection.push_back(node);
    }
  }
  // A scan that ended early may have missed deleted entries: what it found
  // is recovered, and the run does not count as complete.
  const bool scanEndedEarly = !ScanCompleted(scanned->lastScanResult);
  if (scanEndedEarly) {
    std::fprintf(stderr, "vtl recover: the scan ended early (%s; see the log); entries it did not reach are not "
                 "recovered\n", ScanResultText(scanned->lastScanResult).c_str());
  }
  if (request.selection.empty()) {
    if (!args.quiet) std::printf("Nothing to recover: the volume holds no deleted entries.\n");
    return scanEndedEarly ? kExitSomeFailed : kExitOk;
  }
  std::uint32_t folderError = 0;
  if (!CreateFolderPath(*destination, folderError)) {
    std::fprintf(stderr, "vtl recover: cannot create the destination folder '%s': %s; nothing was recovered\n",
                 destination->c_str(), platform::ErrorText(folderError).c_str());
    return kExitSomeFailed;
  }

  // Like the window's recovery worker: the caller waits while the worker
  // writes, and Ctrl-C stops it with the files written so far kept.
  RecoveryOutcome outcome;
  host.BeginProgress("Recovering");
  RunOnWorker([&] { outcome = RecoverSelection(*scanned->parser, request, host); }, host);
  host.EndProgress();
  if (outcome.refused) return kExitUsage;
  if (outcome.stopped) {
    // The incomplete file, if one was being written, was named in its message.
    std::fprintf(stderr, "vtl recover: stopped; the files written so far are kept\n");
    return kExitStopped;
  }
  // Every entry that was not written completely was named in its message;
  // any of them makes the run a partial failure.
  if (outcome.report.Count() != 0 || scanEndedEarly) return kExitSomeFailed;
  for (const int result : outcome.results) {
    if (result != kRecoverDone) return kExitSomeFailed;
  }
  return outcome.results.size() == request.selection.size() || policy == OverwritePolicy::No ? kExitOk
                                                                                              : kExitSomeFailed;
}

}  // namespace tv::cli
