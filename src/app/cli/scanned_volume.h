// Opens a VOLUME argument, recognises its file system, creates its parser
// and runs the scan through the scan controller: the common start of
// `scan`, `cat` and the commands that work on a scanned tree.
#pragma once

#include <memory>
#include <string>

#include "app/cli/cli_host.h"
#include "app/scan_controller.h"

namespace tv::cli {

// Null, after telling the user why on standard error, when the volume
// cannot be opened or read, holds no supported file system, or its
// structures (the MFT, the root folder) cannot be read, before or as the
// scan shows; `exitCode` is then the status to end with (2). Structures that
// are missing while entries can still be found are a warning only.
// The scan runs on a worker thread with its progress shown through `host`;
// Ctrl-C stops it. The record's lastScanResult is the scan's result (see
// RunScan); the tree holds what was found even when it is not 0.
std::unique_ptr<DriveRecord> OpenAndScanVolume(const std::string& command, const std::string& volume,
                                                 CliHost& host, int& exitCode);

// For a command that has shown the entries found: tells the user on
// standard error when the scan was stopped or ended early, and gives the
// status to end with (0, 1 or 130).
int ReportScanEnd(const std::string& command, const DriveRecord& scanned);

}  // namespace tv::cli
