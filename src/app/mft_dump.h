// The support dump of an NTFS volume: its boot sector and the first
// 1,024,000 bytes of its master file table, raw, into two files.
#pragma once

#include <functional>
#include <string>

#include "disk/disk_drive.h"

namespace tv {

inline constexpr const char* kBootDumpName = "BootDump.hex";
inline constexpr const char* kMftDumpName = "MFTDump.hex";
inline constexpr std::uint32_t kMftDumpPassBytes = 102400;
inline constexpr int kMftDumpPasses = 10;

struct MftDumpReport {
  // Receives each status line as the dump goes on ("  >> Ok." and the like).
  std::function<void(const std::string& line)> status;
  // Receives the pass number, 0 to 10.
  std::function<void(int pass)> progress;
};

// Writes BootDump.hex and MFTDump.hex into `folder` (replacing earlier
// dumps; they are support files of this tool). The MFT offset is sectors per
// cluster x first MFT cluster (its low 32 bits) x bytes per sector, in 64
// bits. Unreadable sectors and anything past the volume's end are dumped as
// zeros. False when the boot sector is not NTFS or a file cannot be written.
bool DumpMft(CDiskDrive& drive, const std::string& folder, const MftDumpReport& report);

}  // namespace tv
