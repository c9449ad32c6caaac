// Directory indexes: the input is the INDX blocks of the root directory's
// $INDEX_ALLOCATION on a small volume built in memory (up to four blocks of
// 4096 bytes). The parser lists the root when it opens the volume; the find
// operations then step through what it kept, and each entry is opened by its
// reference (a few user records are there to be found) and, for folders,
// listed in turn.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ntfs/mini_volume.h"
#include "ntfs/ntfs_parser.h"

namespace {

using namespace tv;
using testing::MiniVolume;
using testing::PackRun;
using testing::RecordBuilder;

constexpr std::uint32_t kIndexCluster = 32;
constexpr std::size_t kMaxBlocks = 4;
constexpr std::size_t kBlockBytes = 4096;
constexpr std::size_t kMaxEntries = 4096;
constexpr std::size_t kMaxOpened = 16;
// The parser sees the clusters up to the last one in use; the rest of the
// mini volume is never read.
constexpr std::uint32_t kVolumeClusters = 48;

// Record 5 as the root directory whose index continues in `blocks` INDX
// blocks.
RecordBuilder RootWithIndex(std::size_t blocks) {
  return RecordBuilder(5, true, true)
      .StandardInformation(0x06)
      .FileName(5, u".", 3, true)
      .EmptyIndexRoot()
      .IndexAllocation(PackRun(blocks, kIndexCluster), blocks * kBlockBytes);
}

MiniVolume VolumeWithUserRecords() {
  MiniVolume volume;
  volume.PutRecord(RecordBuilder(16, true).StandardInformation().FileName(5, u"resident.txt").ResidentData({1, 2, 3}),
                   16);
  volume.PutRecord(RecordBuilder(17, true, true).StandardInformation(0x10).FileName(5, u"Docs", 1, true).EmptyIndexRoot(),
                   17);
  volume.PutRecord(RecordBuilder(18, false).StandardInformation().FileName(17, u"runs.bin").NonResidentData(PackRun(2, 40), 6000),
                   18);
  return volume;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One volume for every input: each input rewrites the root record and all
  // the index clusters, zeros where it is shorter.
  static MiniVolume volume = VolumeWithUserRecords();
  size = std::min(size, kMaxBlocks * kBlockBytes);
  const std::size_t blocks = std::max<std::size_t>(1, (size + kBlockBytes - 1) / kBlockBytes);
  volume.PutRecord(RootWithIndex(blocks), 5);
  std::vector<std::uint8_t> index(kMaxBlocks * kBlockBytes, 0);
  std::copy_n(data, size, index.begin());
  volume.PutCluster(kIndexCluster, index);

  std::unique_ptr<CNTFSParser> parser = fuzzing::ParseFront(volume, kVolumeClusters);
  const DirectoryHandle root = parser->RootDirectory();
  if (root < 0) return 0;
  fuzzing::WalkDirectory(*parser, root, 1, kMaxEntries);
  fuzzing::WalkDirectory(*parser, root, 0, kMaxEntries);
  parser->LogDirectorySize(root);

  FindRecord find;
  std::size_t opened = 0;
  if (parser->MoveFirstFile(root, find, 0) == 0) return 0;
  do {
    const DirectoryHandle entry = parser->OpenFileByRef(find);
    if (entry < 0) continue;
    if (parser->IsDirectory(find) != 0) {
      parser->ReadDirectoryData(entry);
      fuzzing::WalkDirectory(*parser, entry, 0, kMaxEntries);
    } else {
      std::vector<std::uint8_t> buffer(8192);
      std::uint32_t read = 0;
      parser->ReadFile(entry, buffer.data(), static_cast<std::uint32_t>(buffer.size()), read);
    }
    parser->CloseObject(entry);
  } while (++opened < kMaxOpened && parser->MoveNextFile(find, 0) != 0);

  // Listing the root again rebuilds its data from the index.
  parser->ReadDirectoryData(root);
  fuzzing::WalkDirectory(*parser, root, 0, kMaxEntries);
  return 0;
}
