// Runs the scan of a prepared parser the way the scan controller does: the
// file system's own scan, then the marking of folders that hold deleted
// entries.
#pragma once

#include <string>

#include "parser/file_system_parser.h"

namespace tv {

// The result of the parser's scan: 0 done, kScanStopped by the break flag,
// another value when the scan ended early. The tree built so far is marked
// in every case.
int RunScan(CFileSystemParser& parser);

// True when the scan went over the whole volume: it returned 0, or found
// no entry in the root directory (an empty volume).
bool ScanCompleted(int result);

// A scan result in words for the user: "stopped", "an entry could not be
// processed", ...
std::string ScanResultText(int result);

}  // namespace tv
