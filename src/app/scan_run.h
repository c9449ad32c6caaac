// Runs the scan of a prepared parser the way the scan controller does: the
// file system's own scan, then the marking of folders that hold deleted
// entries.
#pragma once

#include "parser/file_system_parser.h"

namespace tv {

// The result of the parser's scan: 0 done, -1000 stopped by the break flag,
// another value when the scan ended early. The tree built so far is marked
// in every case.
int RunScan(CFileSystemParser& parser);

inline constexpr int kScanStopped = -1000;

}  // namespace tv
