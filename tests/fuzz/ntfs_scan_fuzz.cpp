// The whole NTFS scan over a volume held in memory. The input is the boot
// sector followed by the bytes of the MFT, which are placed where the boot
// sector says the MFT starts (when that lies within the first MiB; else
// right after the boot sector), so that an input holds what the scan reads
// and nothing else. The scan runs twice, as a rescan of the same volume
// does: once attaching orphan folders to the root, once as vtl runs it; then
// a few of the files found are read.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "app/scan_run.h"
#include "disk/le_reader.h"
#include "fuzz/fuzz_support.h"
#include "ntfs/ntfs_parser.h"

namespace {

using namespace tv;

constexpr std::size_t kMaxVolumeBytes = std::size_t{1} << 20;

std::vector<std::uint8_t> VolumeImage(std::span<const std::uint8_t> input) {
  const std::span<const std::uint8_t> boot = input.first(std::min<std::size_t>(input.size(), kSectorSize));
  const std::span<const std::uint8_t> mft = input.subspan(boot.size());
  LeReader reader(boot);
  const std::uint64_t cluster = reader.U64(ntfs::boot::kMftCluster);
  const std::uint64_t clusterBytes = std::uint64_t{reader.U8(ntfs::boot::kSectorsPerCluster)} * kSectorSize;
  std::size_t place = kSectorSize;
  if (reader.ok() && clusterBytes != 0 && cluster <= kMaxVolumeBytes / clusterBytes &&
      cluster * clusterBytes >= kSectorSize && cluster * clusterBytes + mft.size() <= kMaxVolumeBytes) {
    place = static_cast<std::size_t>(cluster * clusterBytes);
  }
  std::vector<std::uint8_t> image(place + mft.size(), 0);
  std::copy(boot.begin(), boot.end(), image.begin());
  std::copy(mft.begin(), mft.end(), image.begin() + static_cast<std::ptrdiff_t>(place));
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input = fuzzing::Input(data, size);
  CNTFSParser parser(fuzzing::DriveOver(VolumeImage(input)), fuzzing::BootSectorOf(input));
  parser.IsMftDamaged();
  parser.AssembleDeletedTree(100);
  RunScan(parser);
  fuzzing::ReadSomeFiles(parser, parser.Root(), 8, 64 * 1024);
  return 0;
}
