// The NTFS side of a scan run: the record scan with its banners, and what
// of the master file table could not be read.
#include "log/log.h"
#include "ntfs/ntfs_parser.h"
#include "parser/break_flag.h"

namespace tv {

int CNTFSParser::ScanDeletedEntries() {
  int result = 0;
  Log().Message(" ----------< Scanning MFT Structure.");
  if (!BreakRequested()) {
    // Orphan folders stay out of the tree the user sees.
    m_bAttachOrphans = 0;
    result = AssembleDeletedTree(100);
  }
  Log().Message(" ----------> Scanning MFT Structure accomplished.");
  return result;
}

std::string CNTFSParser::UnreadableStructures() const {
  if (m_bMftDamaged || MftRecordCount() == 0) return "the master file table could not be read";
  // The root folder's record lies in the table. When it cannot be listed
  // and the scan found nothing either, the table gave nothing usable.
  if (m_bRootListingFailed && ScanStarted() && Root().children.empty()) {
    return "neither the root folder nor any other record of the master file table could be read";
  }
  return {};
}

}  // namespace tv
