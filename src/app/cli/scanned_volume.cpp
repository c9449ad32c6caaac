#include "app/cli/scanned_volume.h"

#include <array>
#include <cstdio>

#include "app/cli/commands.h"
#include "app/cli/open_volume.h"
#include "app/cli/console_interrupt.h"
#include "app/parser_factory.h"
#include "app/scan_run.h"
#include "app/scan_controller.h"
#include "log/log.h"

namespace tv::cli {

std::unique_ptr<ScannedVolume> OpenAndScanVolume(const std::string& command, const std::string& volume,
                                                 CliHost& host, int& exitCode) {
  exitCode = kExitUsage;
  const char* name = command.c_str();
  // A scan logs several lines for every MFT record.
  Log().SetBuffered(true);
  std::unique_ptr<CDiskDrive> drive = OpenVolumeArgument(volume);
  if (!drive) {
    Log().Format("Unable to open disk %s", volume.c_str());
    std::fprintf(stderr, "vtl %s: cannot open volume '%s'\n", name, volume.c_str());
    return nullptr;
  }
  Log().Message("Disk opened");
  std::array<std::uint8_t, kBootSectorSize> bootSector{};
  std::uint32_t sectorsRead = 0;
  if (drive->ReadAt(0, bootSector.data(), 1, &sectorsRead) != kReadOk || sectorsRead != 1) {
    std::fprintf(stderr, "vtl %s: cannot read the boot sector of '%s'\n", name, volume.c_str());
    return nullptr;
  }
  const std::uint8_t fsType = DetectFileSystem(bootSector);
  LogDetectedFileSystem(fsType);
  DriveRecord record;
  record.volume = volume;
  record.parser = CreateParser(fsType, std::move(drive), bootSector);
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
  if (const std::string unreadable = UnreadableStructures(*record.parser); !unreadable.empty()) {
    refuseUnreadable(unreadable);
    return nullptr;
  }
  if (const std::string missing = MissingStructures(*record.parser); !missing.empty()) {
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
    if (const std::string unreadable = UnreadableStructures(*record.parser); !unreadable.empty()) {
      refuseUnreadable(unreadable);
      return nullptr;
    }
  }
  auto scanned = std::make_unique<ScannedVolume>();
  scanned->parser = std::move(record.parser);
  scanned->scanResult = record.lastScanResult;
  exitCode = kExitOk;
  return scanned;
}

int ReportScanEnd(const std::string& command, const ScannedVolume& scanned) {
  if (scanned.scanResult == kScanStopped) {
    std::fprintf(stderr, "vtl %s: stopped; the entries found so far are listed\n", command.c_str());
    return kExitStopped;
  }
  if (!ScanCompleted(scanned.scanResult)) {
    std::fprintf(stderr, "vtl %s: the scan ended early (%s; see the log); the entries found so far are listed\n",
                 command.c_str(), ScanResultText(scanned.scanResult).c_str());
    return kExitSomeFailed;
  }
  return kExitOk;
}

}  // namespace tv::cli
