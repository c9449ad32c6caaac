#include "app/recover_selection.h"

#include <cmath>
#include <cstdio>

#include "app/bin_names.h"
#include "app/column_text.h"
#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/recovery_output.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv {
namespace {

#ifndef _WIN32
// The nearest folder of `path` that exists (the destination may not yet).
std::string ExistingAncestor(std::string path) {
  while (!path.empty() && !platform::PathExists(path)) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return platform::CurrentDirectory();
    path.erase(slash == 0 ? 1 : slash);
    if (slash == 0) break;
  }
  return path.empty() ? platform::CurrentDirectory() : path;
}
#endif

std::string FormatText(const char* format, const std::string& value, int first = 0, int second = 0) {
  char text[1024];
  std::snprintf(text, sizeof text, format, value.c_str(), first, second);
  return text;
}

}  // namespace

void ShowDestinationRefused(WorkflowHost& host, const std::string& volume) {
  const char letter = platform::DriveLetterOf(volume);
  const std::string name = letter != 0 ? std::string(1, letter) : volume;
  char caption[512];
  char text[1024];
  std::snprintf(caption, sizeof caption, "Cannot Undelete to Drive %s:", name.c_str());
  std::snprintf(text, sizeof text,
                "Select destination folder on a different drive. Saving to drive %s:\nmay harm the file(s) "
                "you want to undelete.",
                name.c_str());
  host.ShowMessage(MessageKind::Error, caption, text);
}

bool DestinationOnScannedVolume(const std::string& destination, const std::string& volume) {
  // A drive letter, also as a device path ("\\.\D:").
  const std::string device = volume.rfind("\\\\.\\", 0) == 0 ? volume.substr(4) : volume;
  const char volumeLetter = platform::DriveLetterOf(device);
  if (volumeLetter != 0 && device.size() <= 3) {
    const char destinationLetter = platform::DriveLetterOf(destination);
    if (destinationLetter != 0) return destinationLetter == volumeLetter;
    return platform::DriveLetterOf(platform::CurrentDirectory()) == volumeLetter;
  }
#ifdef _WIN32
  // Any other volume on Windows is an image file, which no destination touches.
  return false;
#else
  // Refused when writing there can change the scanned bytes: the
  // destination's file system lives on the scanned device, or on the image
  // file (or the file behind a scanned loop device) through a loop device
  // or a mount of it.
  return platform::SameVolumeAs(volume, ExistingAncestor(destination));
#endif
}

namespace {

// The lines that name the entries not written completely, after `heading`.
std::string WithProblemLines(const std::string& heading, std::span<const RecoveryProblem> problems,
                             std::size_t maxListed) {
  std::string text = heading;
  std::size_t listed = 0;
  for (const RecoveryProblem& problem : problems) {
    const std::string line = DescribeRecoveryProblem(problem);
    Log().Message("Not recovered completely: ", line.c_str());
    if (listed < maxListed) {
      text += "\n" + line;
      ++listed;
    }
  }
  if (listed < problems.size()) {
    text += "\n... and " + std::to_string(problems.size() - listed) + " more (see the log)";
  }
  return text;
}

}  // namespace

bool RecoveryMessage(int result, const std::string& displayName, int files, int folders,
                     std::span<const RecoveryProblem> problems, std::size_t maxListed, MessageKind& kind,
                     std::string& text) {
  switch (result) {
    case kRecoverDone:
      if (!problems.empty()) {
        kind = MessageKind::Error;
        text = WithProblemLines(
            folders != 0 ? FormatText("Folder '%s' was recovered incompletely: %d files, %d subfolders; these "
                                      "entries are not complete:",
                                      displayName, files, folders)
                         : FormatText("File '%s' was recovered, but not all of it could be read:", displayName),
            problems, maxListed);
        return true;
      }
      kind = MessageKind::Information;
      text = folders != 0
                 ? FormatText("Folder '%s' was successfully recovered: %d files, %d subfolders", displayName,
                              files, folders)
                 : FormatText("File '%s' was successfully recovered.", displayName);
      return true;
    case kRecoverFolderFailed:
      Log().Message("[SA] Can't create directory.");
      kind = MessageKind::Error;
      text = WithProblemLines("Can`t create directory", problems, maxListed);
      return true;
    case kRecoverNotFound:
      Log().Message("[SA] Can't find file.");
      kind = MessageKind::Error;
      text = WithProblemLines("Can`t find file", problems, maxListed);
      return true;
    case kRecoverDiskFull:
      Log().Message("[SA] Not enough disk space.");
      kind = MessageKind::Error;
      text = WithProblemLines("Not enough disk space", problems, maxListed);
      return true;
    case kRecoverStopped:
      if (problems.empty()) return false;
      kind = MessageKind::Error;
      text = WithProblemLines(FormatText("The recovery of '%s' was stopped:", displayName), problems, maxListed);
      return true;
    default:
      if (problems.empty()) return false;
      kind = MessageKind::Error;
      text = WithProblemLines(FormatText("'%s' could not be recovered:", displayName), problems, maxListed);
      return true;
  }
}

RecoveryOutcome RecoverSelection(CFileSystemParser& parser, const RecoveryRequest& request, WorkflowHost& host) {
  RecoveryOutcome outcome;
  BreakFlag() = 0;
  if (DestinationOnScannedVolume(request.destination, request.volume)) {
    ShowDestinationRefused(host, request.volume);
    outcome.refused = true;
    return outcome;
  }
  if (request.selection.empty() || request.selection.front() == request.upEntry) {
    host.ShowMessage(MessageKind::Plain, "", "Please, select file.");
    return outcome;
  }
  Log().Message("Undelete file process started...");

  const double step = 100.0 / static_cast<double>(request.selection.size());
  double done = 0;
  long lastSent = -1;
  bool overwriteAll = request.overwriteAll;
  for (TreeNode* node : request.selection) {
    if (BreakRequested()) {
      outcome.stopped = true;
      break;
    }
    if (static_cast<long>(std::floor(done)) != lastSent) {
      lastSent = static_cast<long>(std::floor(done));
      host.Progress(static_cast<unsigned>(lastSent));
    }
    if (node == request.upEntry) {  // ".." stands for no entry of its own
      done += step;
      continue;
    }
    // A Recycle Bin file named on the command line was never listed: it is
    // reported under the name the list would show for it.
    if (node->deleted == 0) ResolveBinEntry(parser, *node);
    const std::string displayName = DisplayName(*node);
    if (!overwriteAll && platform::PathExists(platform::JoinPath(request.destination, displayName))) {
      const std::string question = FormatText(
          "File %s already exists in the destination folder.\nDo you want to overwrite it?", displayName);
      const OverwriteAnswer answer = host.AskOverwrite(question, displayName);
      if (answer == OverwriteAnswer::Cancel) {
        BreakFlag() = 0;
        outcome.stopped = true;
        break;
      }
      if (answer == OverwriteAnswer::No) {
        done += step;
        continue;
      }
      if (answer == OverwriteAnswer::All) overwriteAll = true;
    }
    int files = 0;
    int folders = 0;
    const std::size_t problemsBefore = outcome.report.Count();
    parser.SetRecoveryReport(&outcome.report);
    const int result = parser.RecoverNode(*node, request.destination, files, folders, 0, kRenameNumbered, nullptr);
    parser.SetRecoveryReport(nullptr);
    outcome.results.push_back(result);
    host.Progress(100);
    MessageKind kind = MessageKind::Information;
    std::string text;
    const std::span<const RecoveryProblem> problems =
        std::span<const RecoveryProblem>(outcome.report.Problems()).subspan(problemsBefore);
    if (RecoveryMessage(result, displayName, files, folders, problems, host.MaxListedProblems(), kind, text)) {
      host.ShowMessage(kind, "", text);
    }
    if (result == kRecoverStopped) {
      outcome.stopped = true;
      break;
    }
    done += step;
  }
  return outcome;
}

}  // namespace tv
