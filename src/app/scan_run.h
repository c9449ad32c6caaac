// Runs the scan of a prepared parser the way the scan controller does: the
// file system's own scan, then the marking of folders that hold deleted
// entries.
#pragma once

#include <string>

#include "parser/file_system_parser.h"

namespace tv {

// The result of the parser's scan: 0 done, -1000 stopped by the break flag,
// another value when the scan ended early. The tree built so far is marked
// in every case.
int RunScan(CFileSystemParser& parser);

inline constexpr int kScanStopped = -1000;

// True when the scan went over the whole volume: it returned 0, or found
// no entry in a FAT root directory (an empty volume).
bool ScanCompleted(int result);

// A scan result in words for the user: "stopped", "an entry could not be
// processed", ...
std::string ScanResultText(int result);

// What of the volume's own structures could not be read, in words ("the
// master file table could not be read"); empty when they were read. With
// such a volume nothing can be found or recovered. Before the scan this
// judges what the parser read when it was made; after it, also what the
// scan found (an NTFS volume whose root folder record and every other
// record are unreadable).
std::string UnreadableStructures(CFileSystemParser& parser);

// What could not be read although the scan can still find entries, in
// words ("the file allocation table could not be read"); empty when
// nothing is missing.
std::string MissingStructures(CFileSystemParser& parser);

}  // namespace tv
