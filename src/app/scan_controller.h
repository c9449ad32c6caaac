// The scan controller: the support probe of a drive, and the scan that turns
// it into a marked tree on a worker thread while the caller keeps waiting
// through its host. The window and the command line both drive it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/drive_probe.h"
#include "app/workflow_host.h"
#include "disk/disk_drive.h"
#include "parser/file_system_parser.h"

namespace tv {

struct DriveRecord {
  std::string volume;
  // The parser of the last scan; an NTFS parser is kept for a rescan.
  std::unique_ptr<CFileSystemParser> parser;
  // 0 not probed yet, 1 supported, -1 not supported.
  int support = 0;
  // The parser scan's own result at the last scan: 0 done, kScanStopped, or
  // the value of a scan that ended early.
  int lastScanResult = 0;
};

// 1 when the volume opens and its boot sector names a supported file
// system, else 0; logs as ProbeVolume does.
int ProbeDrive(const std::string& volume, const DriveOpener& open);

// The scan itself (on the worker): a new parser unless the record holds an
// NTFS one or one that has not scanned yet, then the parser's scan and the
// marking. 0 when the scan completed or was stopped, -1 otherwise.
int PrepareDirectoryTree(DriveRecord& record, const DriveOpener& open, WorkflowHost& host);

// Runs PrepareDirectoryTree on a worker thread with progress going to the
// host and waits for it while calling host.WhileWaiting(). True when the
// scan returned 0. A FolderView scans through its Scan, which also returns
// the view to the root of the new tree.
bool RunScanOnWorker(DriveRecord& record, const DriveOpener& open, WorkflowHost& host);

// Runs `work` on a worker thread and waits for it in the same way.
void RunOnWorker(const std::function<void()>& work, WorkflowHost& host);

}  // namespace tv
