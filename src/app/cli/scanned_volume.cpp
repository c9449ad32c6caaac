#include "app/cli/scanned_volume.h"

#include <cstdio>

#include "app/cli/commands.h"
#include "app/open_volume.h"
#include "app/drive_probe.h"
#include "app/cli/console_interrupt.h"
#include "app/parser_factory.h"
#include "app/scan_run.h"
#include "app/scan_controller.h"
#include "log/log.h"

namespace tv::cli {

std::unique_ptr<DriveRecord> OpenAndScanVolume(const std::string& command, const std::string& volume,
                                                 CliHost& host, int& exitCode) {
  exitCode = kExitUsage;
  const char* name = command.c_str();
  // A scan logs several lines for every MFT record.
  Log().SetBuffered(true);
  VolumeProbe probe = ProbeVolume(volume, OpenVolumeArgument);
  if (probe.result == ProbeResult::NotOpened) {
    std::fprintf(stderr, "vtl %s: cannot open volume '%s'\n", name, volume.c_str());
    return nullptr;
  }
  if (probe.result == ProbeResult::BootSectorUnreadable) {
    std::fprintf(stderr, "vtl %s: cannot read the boot sector of '%s'\n", name, volume.c_str());
    return nullptr;
  }
  DriveRecord record;
  record.volume = volume;
  record.parser = CreateParser(probe.fsType, std::move(probe.drive), probe.bootSector);
  if (!record.parser) {
    std::fprintf(stderr, "vtl %s: '%s' holds no file system this program reads\n", name, volume.c_str());
    return nullptr;
  }
  // A volume whose structures cannot be read yields nothing to list or
  // recover; saying so beats an empty result that looks like a clean volume.
  const auto refuseUnreadable = [&](const std::string& what) {
    std::fprintf(stderr, "vtl %s: cannot use the volume '%s': %s (see the log)\n", name, volume.c_str(),
                 what.c_str());
  };
  if (const std::string unreadable = record.parser->UnreadableStructures(); !unreadable.empty()) {
    refuseUnreadable(unreadable);
    return nullptr;
  }
  if (const std::string missing = record.parser->MissingStructures(); !missing.empty()) {
    std::fprintf(stderr,
                 "vtl %s: warning: on the volume '%s' %s; folders may be incomplete and files that are not "
                 "deleted may be read wrongly (see the log)\n",
                 name, volume.c_str(), missing.c_str());
  }

  StopOnInterrupt();
  host.BeginProgress("Scanning");
  RunScanOnWorker(record, OpenVolumeArgument, host);
  host.EndProgress();
  if (record.lastScanResult != kScanStopped && record.parser) {
    if (const std::string unreadable = record.parser->UnreadableStructures(); !unreadable.empty()) {
      refuseUnreadable(unreadable);
      return nullptr;
    }
  }
  exitCode = kExitOk;
  return std::make_unique<DriveRecord>(std::move(record));
}

int ReportScanEnd(const std::string& command, const DriveRecord& scanned) {
  if (scanned.lastScanResult == kScanStopped) {
    std::fprintf(stderr, "vtl %s: stopped; the entries found so far are listed\n", command.c_str());
    return kExitStopped;
  }
  if (!ScanCompleted(scanned.lastScanResult)) {
    std::fprintf(stderr, "vtl %s: the scan ended early (%s; see the log); the entries found so far are listed\n",
                 command.c_str(), ScanResultText(scanned.lastScanResult).c_str());
    return kExitSomeFailed;
  }
  return kExitOk;
}

}  // namespace tv::cli
