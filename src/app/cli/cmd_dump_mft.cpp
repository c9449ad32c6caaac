// vtl dump-mft VOLUME [--out DIR]: the support dump of an NTFS volume, its
// boot sector and the first 1,024,000 bytes of its MFT, into BootDump.hex
// and MFTDump.hex in DIR (the current folder by default; made with its
// parents when missing, as `recover --to` does).
#include <array>
#include <cstdio>
#include <string>

#include "app/cli/commands.h"
#include "app/open_volume.h"
#include "app/mft_dump.h"
#include "app/recover_selection.h"
#include "parser/file_system_parser.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv::cli {

int RunDumpMftCommand(const CliArgs& args) {
  if (args.positional.size() != 1) {
    std::fprintf(stderr, "vtl dump-mft: expected one VOLUME (see vtl --help)\n");
    return kExitUsage;
  }
  const std::string& volume = args.positional[0];
  const std::string folder = args.Value("--out").value_or(platform::CurrentDirectory());
  // The dump reads the volume raw; writing beside it could overwrite the
  // very records a later undelete needs.
  if (DestinationOnScannedVolume(folder, volume)) {
    std::fprintf(stderr, "vtl dump-mft: '%s' is on the volume being dumped; give --out DIR on another drive\n",
                 folder.c_str());
    return kExitUsage;
  }
  std::unique_ptr<CDiskDrive> drive = OpenVolumeArgument(volume);
  if (!drive) {
    std::fprintf(stderr, "vtl dump-mft: cannot open volume '%s'\n", volume.c_str());
    return kExitUsage;
  }
  std::array<std::uint8_t, kBootSectorSize> bootSector{};
  std::uint32_t sectorsRead = 0;
  if (drive->ReadAt(0, bootSector.data(), 1, &sectorsRead) != kReadOk || sectorsRead != 1 ||
      DetectFileSystem(bootSector) != kFsNtfs) {
    std::fprintf(stderr, "vtl dump-mft: '%s' is not an NTFS volume\n", volume.c_str());
    return kExitUsage;
  }
  if (!platform::CreateDirectoryPath(folder)) {
    std::fprintf(stderr, "vtl dump-mft: cannot create the output folder '%s': %s\n", folder.c_str(),
                 platform::ErrorText(platform::GetLastError()).c_str());
    return kExitUsage;
  }
  if (!args.quiet) std::printf("  MFT Dump runned on drive: %s\n", volume.c_str());
  MftDumpReport report;
  report.status = [&](const std::string& line) {
    if (!args.quiet) std::printf("%s\n", line.c_str());
  };
  if (!DumpMft(*drive, folder, report)) {
    std::fprintf(stderr, "vtl dump-mft: the dump files cannot be written in '%s': %s\n", folder.c_str(),
                 platform::ErrorText(platform::GetLastError()).c_str());
    return kExitUsage;
  }
  std::fflush(stdout);
  return kExitOk;
}

}  // namespace tv::cli
