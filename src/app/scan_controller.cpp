#include "app/scan_controller.h"

#include <array>

#include "app/parser_factory.h"
#include "app/scan_run.h"
#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/progress.h"
#include "platform/thread.h"

namespace tv {
namespace {

// The caller's wait for a worker: 10 ms at a time, so that a window stays
// alive and its Stop control works.
constexpr unsigned kWaitMilliseconds = 10;

std::uint8_t ReadBootSector(CDiskDrive& drive, std::array<std::uint8_t, kBootSectorSize>& sector) {
  std::uint32_t read = 0;
  if (drive.ReadAt(0, sector.data(), 1, &read) != kReadOk || read != 1) return kFsUnknown;
  return DetectFileSystem(sector);
}

}  // namespace

int ProbeDrive(const std::string& volume, const DriveOpener& open) {
  return ProbeVolume(volume, open).result == ProbeResult::Supported ? 1 : 0;
}

int PrepareDirectoryTree(DriveRecord& record, const DriveOpener& open, WorkflowHost& host) {
  // An NTFS parser is scanned again as it is; a FAT one is built anew. A
  // parser that has not scanned yet (the command line checks the volume's
  // structures before it scans) is used as it is.
  const bool reuse = record.parser && (record.parser->FsType() == kFsNtfs || !record.parser->ScanStarted());
  record.lastScanResult = -1;
  if (!reuse) {
    std::unique_ptr<CDiskDrive> drive = open(record.volume);
    if (!drive) {
      host.ShowMessage(MessageKind::Error, "", "Can`t open disk");
      return -1;
    }
    std::array<std::uint8_t, kBootSectorSize> sector{};
    const std::uint8_t fsType = ReadBootSector(*drive, sector);
    record.parser = CreateParser(fsType, std::move(drive), sector);
    if (!record.parser) return -1;
  }
  const int result = RunScan(*record.parser);
  record.lastScanResult = result;
  return result == 0 || result == kScanStopped ? 0 : -1;
}

void RunOnWorker(const std::function<void()>& work, WorkflowHost& host) {
  SetProgressSink([&host](unsigned percent) { host.Progress(percent); });
  platform::WorkerThread worker;
  if (worker.Start(work)) {
    while (!worker.Wait(kWaitMilliseconds)) host.WhileWaiting();
  }
  SetProgressSink({});
}

bool RunScanOnWorker(DriveRecord& record, const DriveOpener& open, WorkflowHost& host) {
  BreakFlag() = 0;
  int result = -1;
  RunOnWorker([&] { result = PrepareDirectoryTree(record, open, host); }, host);
  return result == 0;
}

}  // namespace tv
