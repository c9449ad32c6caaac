// Attribute lists: record 16 of a small volume built in memory and the
// records after it are the input, 1024 bytes each as they lie on disk (up to
// eight records); what follows them fills the clusters from 32 on, where a
// non-resident list, data runs or index blocks may point. Record 16 is then
// asked everything that follows its attribute list into the other records:
// size, first cluster, run lists, names, index entries, the damage
// estimate, and its data or its listing.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ntfs/mini_volume.h"
#include "ntfs/ntfs_parser.h"

namespace {

using namespace tv;
using namespace tv::ntfs;

constexpr std::uint32_t kBaseRecord = 16;
constexpr std::size_t kMaxRecords = 8;
constexpr std::uint32_t kFirstDataCluster = 32;
constexpr std::size_t kMaxDataBytes = 8 * testing::MiniVolume::kClusterBytes;
// The parser sees the clusters up to the last data cluster; the rest of the
// mini volume is never used.
constexpr std::uint32_t kVolumeClusters = 48;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One volume for every input: each input rewrites all the records and
  // clusters it may fill, zeros where it is shorter, so no input sees what
  // an earlier one left.
  static testing::MiniVolume volume;
  const std::span<const std::uint8_t> input = fuzzing::Input(data, size);
  for (std::uint32_t index = 0; index < kMaxRecords; ++index) {
    std::vector<std::uint8_t> record(kRecordBytes, 0);
    const std::size_t at = std::size_t{index} * kRecordBytes;
    if (at < input.size()) {
      const std::span<const std::uint8_t> part = input.subspan(at, std::min<std::size_t>(kRecordBytes, input.size() - at));
      std::copy(part.begin(), part.end(), record.begin());
    }
    volume.PutRawRecord(kBaseRecord + index, record);
  }
  std::vector<std::uint8_t> clusters(kMaxDataBytes, 0);
  if (input.size() > kMaxRecords * kRecordBytes) {
    const std::span<const std::uint8_t> part = input.subspan(kMaxRecords * kRecordBytes);
    std::copy_n(part.begin(), std::min(part.size(), kMaxDataBytes), clusters.begin());
  }
  volume.PutCluster(kFirstDataCluster, clusters);

  std::unique_ptr<CNTFSParser> parser = fuzzing::ParseFront(volume, kVolumeClusters);
  parser->LoadClusterBitmap();
  auto bytes = std::make_unique<std::uint8_t[]>(kRecordBytes);
  if (parser->ReadMFTRecord(kBaseRecord, bytes.get()) != 0) return 0;
  CMFTRecord record(bytes.release(), kBaseRecord, true, parser.get());
  if (record.LocateRecordAttributes() != 0) return 0;

  record.FileSize();
  record.FirstCluster();
  record.LoadNamesFromAttributeList();
  record.PreferredName();
  record.TreeParent();
  RunList runs;
  if (record.Data() != CMFTRecordBase::kAbsent) record.ExtractRunList(record.Data(), runs);
  CMFTRecord::ListOutput dataOutput;
  dataOutput.runs = &runs;
  record.ExtractAttrFromAttrList(kAttrData, dataOutput);
  std::vector<std::uint8_t> entries;
  CMFTRecord::ListOutput indexOutput;
  indexOutput.indexEntries = &entries;
  record.ExtractAttrFromAttrList(kAttrIndexAllocation, indexOutput);
  parser->EstimateDamageLevel(record);

  // The record opened the way recovery and folder listings open it.
  TreeNode holder;
  TreeNode* node = AppendChild(holder, std::make_unique<TreeNode>(kBaseRecord, record.PreferredName(),
                                                                  record.IsDirectory() ? kAttributeDirectory : 0, 1));
  node->parent = &holder;
  if (!node->IsDirectory()) {
    fuzzing::ReadSomeFiles(*parser, holder, 1, 256 * 1024);
    return 0;
  }
  const DirectoryHandle directory = parser->OpenFileByNode(*node);
  if (directory >= 0 && parser->GetDirectoryRecord(directory) != nullptr) {
    parser->ReadDirectoryData(directory);
    fuzzing::WalkDirectory(*parser, directory, 0, 4096);
    parser->CloseObject(directory);
  }
  return 0;
}
