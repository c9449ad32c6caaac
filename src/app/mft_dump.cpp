#include "app/mft_dump.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "disk/le_reader.h"
#include "ntfs/ntfs_layout.h"
#include "parser/file_system_parser.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv {
namespace {

void Say(const MftDumpReport& report, const std::string& line) {
  if (report.status) report.status(line);
}

platform::FileHandle CreateDumpFile(const std::string& path) {
  platform::OpenMode mode;
  mode.access = platform::Access::Write;
  mode.disposition = platform::Disposition::CreateAlways;
  mode.shareRead = false;
  return platform::OpenFile(path, mode);
}

bool WriteAll(platform::FileHandle file, const void* data, std::uint32_t bytes) {
  std::uint32_t written = 0;
  return platform::WriteFile(file, data, bytes, &written) && written == bytes;
}

// Reads `bytes` at byte `offset` of the volume; what cannot be read stays zero.
void ReadVolumeBytes(CDiskDrive& drive, std::uint64_t offset, std::vector<std::uint8_t>& out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  const std::uint64_t first = offset / kSectorSize;
  const std::uint64_t skip = offset % kSectorSize;
  const auto sectors = static_cast<std::uint32_t>((skip + out.size() + kSectorSize - 1) / kSectorSize);
  std::vector<std::uint8_t> raw(std::size_t{sectors} * kSectorSize, 0);
  std::uint32_t read = 0;
  drive.ReadSectors(first, raw.data(), sectors, &read);
  std::memcpy(out.data(), raw.data() + skip, out.size());
}

}  // namespace

bool DumpMft(CDiskDrive& drive, const std::string& folder, const MftDumpReport& report) {
  std::array<std::uint8_t, kBootSectorSize> boot{};
  std::uint32_t read = 0;
  drive.ReadAt(0, boot.data(), 1, &read);
  if (DetectFileSystem(boot) != kFsNtfs) return false;
  LeReader fields(boot);
  const std::uint64_t bytesPerSector = fields.U16(ntfs::boot::kBytesPerSector);
  const std::uint64_t sectorsPerCluster = fields.U8(ntfs::boot::kSectorsPerCluster);
  // The dump takes the low 32 bits of the two 64-bit fields.
  const std::uint32_t totalSectors = fields.U32(ntfs::boot::kTotalSectors);
  const std::uint32_t mftCluster = fields.U32(ntfs::boot::kMftCluster);
  const std::uint64_t mftOffset = sectorsPerCluster * mftCluster * bytesPerSector;

  char line[160];
  std::snprintf(line, sizeof line, "  >> MFT Offset from the beginning: %" PRIx64, mftOffset);
  Say(report, line);
  std::snprintf(line, sizeof line, "  >> Total sectors quantity: %u", totalSectors);
  Say(report, line);

  const std::string bootPath = platform::JoinPath(folder, kBootDumpName);
  Say(report, "  >> Writing Boot Sector in File on " + bootPath);
  platform::FileHandle file = CreateDumpFile(bootPath);
  if (file == platform::kInvalidFile) return false;
  const bool bootWritten = WriteAll(file, boot.data(), kBootSectorSize);
  platform::CloseFile(file);
  if (!bootWritten) return false;
  Say(report, "  >> Ok.");

  const std::string mftPath = platform::JoinPath(folder, kMftDumpName);
  file = CreateDumpFile(mftPath);
  if (file == platform::kInvalidFile) return false;
  Say(report, "  >> Writing MFT Dump File on " + mftPath);
  std::vector<std::uint8_t> pass(kMftDumpPassBytes);
  bool written = true;
  for (int i = 0; i < kMftDumpPasses && written; ++i) {
    ReadVolumeBytes(drive, mftOffset + std::uint64_t{kMftDumpPassBytes} * static_cast<unsigned>(i), pass);
    written = WriteAll(file, pass.data(), kMftDumpPassBytes);
    if (report.progress) report.progress(i);
  }
  platform::CloseFile(file);
  if (!written) return false;
  Say(report, "  >> Ok.");
  if (report.progress) report.progress(kMftDumpPasses);
  Say(report, "Dump process successfully acomplished.");
  return true;
}

}  // namespace tv
