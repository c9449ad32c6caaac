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

bool ScanCompleted(int result) { return result == 0 || result == CFATParser::kScanNoEntries; }

std::string ScanResultText(int result) {
  switch (result) {
    case 0:
      return "completed";
    case kScanStopped:
      return "stopped";
    case CFATParser::kScanNoEntries:
      return "the root folder holds no entries";
    case -1:
      return "an entry could not be processed";
    default:
      return "the scan failed with code " + std::to_string(result);
  }
}

std::string UnreadableStructures(CFileSystemParser& parser) {
  if (auto* ntfs = dynamic_cast<CNTFSParser*>(&parser)) {
    if (ntfs->IsMftDamaged() != 0 || ntfs->MftRecordCount() == 0) return "the master file table could not be read";
    // The root folder's record lies in the table. When it cannot be listed
    // and the scan found nothing either, the table gave nothing usable.
    if (ntfs->m_bRootListingFailed && parser.m_bScanStarted && parser.Root().children.empty()) {
      return "neither the root folder nor any other record of the master file table could be read";
    }
  } else if (auto* fat = dynamic_cast<CFATParser*>(&parser)) {
    if (!fat->VolumeReady()) return "the boot sector describes no usable FAT layout";
    if (fat->RootDirectory() < 0 || fat->RootDirectoryUnreadable()) return "the root folder could not be read";
  }
  return {};
}

std::string MissingStructures(CFileSystemParser& parser) {
  if (auto* fat = dynamic_cast<CFATParser*>(&parser); fat != nullptr && fat->FatUnreadable()) {
    return "the file allocation table could not be read";
  }
  return {};
}

}  // namespace tv
