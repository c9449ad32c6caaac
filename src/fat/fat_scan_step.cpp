// The FAT side of a scan run: the directory walk with its banners, and what
// of the boot sector, the root folder and the allocation table could not be
// read.
#include "fat/fat_parser.h"
#include "log/log.h"
#include "parser/break_flag.h"

namespace tv {

int CFATParser::ScanDeletedEntries() {
  if (BreakRequested()) return 0;
  const int result = ScanDirectoryTree();
  Log().Message(" ----------- Directory and files tree prepared.");
  Log().Message(" ");
  Log().Message(" ----------- Trying to find orphaned folders to the directory tree.");
  Log().Message(" ----------- Actual Build: Function disabled.");
  Log().Message(" ");
  Log().Message(" ----------- Logical disk scanning accomplished.");
  return result;
}

std::string CFATParser::UnreadableStructures() const {
  if (!m_bVolumeReady) return "the boot sector describes no usable FAT layout";
  if (m_hRootDirectory < 0 || m_bRootUnreadable) return "the root folder could not be read";
  return {};
}

std::string CFATParser::MissingStructures() const {
  return m_bFatUnreadable ? "the file allocation table could not be read" : std::string();
}

}  // namespace tv
