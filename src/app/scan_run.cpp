#include "app/scan_run.h"

#include "log/log.h"
#include "parser/break_flag.h"

namespace tv {

int RunScan(CFileSystemParser& parser) {
  parser.SetScanStarted(true);
  int result = parser.ScanDeletedEntries();
  Log().Message(" ----------- Start directory tree modifing process.");
  MarkFoldersWithDeletedContent(parser.Root());
  Log().Message(" ----------- Successfully accomplished.");
  if (result != 0) Log().Format("PrepareDirectoryTree() returns %d", result);
  if (result == 0 && BreakRequested()) result = kScanStopped;
  return result;
}

bool ScanCompleted(int result) { return result == 0 || result == kScanNoEntries; }

std::string ScanResultText(int result) {
  switch (result) {
    case 0:
      return "completed";
    case kScanStopped:
      return "stopped";
    case kScanNoEntries:
      return "the root folder holds no entries";
    case -1:
      return "an entry could not be processed";
    default:
      return "the scan failed with code " + std::to_string(result);
  }
}

}  // namespace tv
