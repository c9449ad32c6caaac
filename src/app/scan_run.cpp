#include "app/scan_run.h"

#include "log/log.h"
#include "fat/fat_parser.h"
#include "ntfs/ntfs_parser.h"
#include "parser/break_flag.h"

namespace tv {

int RunScan(CFileSystemParser& parser) {
  parser.m_bScanStarted = true;
  int result = 0;
  if (auto* ntfs = dynamic_cast<CNTFSParser*>(&parser)) {
    Log().Message(" ----------< Scanning MFT Structure.");
    if (!BreakRequested()) {
      // Orphan folders stay out of the tree the user sees.
      ntfs->m_bAttachOrphans = 0;
      result = ntfs->AssembleDeletedTree(100);
    }
    Log().Message(" ----------> Scanning MFT Structure accomplished.");
  } else if (auto* fat = dynamic_cast<CFATParser*>(&parser)) {
    if (!BreakRequested()) {
      result = fat->ScanDirectoryTree();
      Log().Message(" ----------- Directory and files tree prepared.");
      Log().Message(" ");
      Log().Message(" ----------- Trying to find orphaned folders to the directory tree.");
      Log().Message(" ----------- Actual Build: Function disabled.");
      Log().Message(" ");
      Log().Message(" ----------- Logical disk scanning accomplished.");
    }
  }
  Log().Message(" ----------- Start directory tree modifing process.");
  MarkFoldersWithDeletedContent(parser.Root());
  Log().Message(" ----------- Successfully accomplished.");
  if (result != 0) Log().Format("PrepareDirectoryTree() returns %d", result);
  if (result == 0 && BreakRequested()) result = kScanStopped;
  return result;
}

}  // namespace tv
