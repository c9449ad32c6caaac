// FAT directory entries and long names. The input is directory data: its
// first 512 bytes are the root directory of a small FAT16 volume built in
// memory, the rest fills the data clusters from cluster 2 on, which the FAT
// chains one after the other so that a folder entry opens a directory that
// runs to the end of the input. The name functions read every slot of the
// input; the find operations step through the root (with and without the
// deleted entries, as a scan and a listing see them) and through every
// folder and file an entry opens.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fat/fat_layout.h"
#include "fat/fat_names.h"
#include "fat/tiny_volume.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace tv;

constexpr std::size_t kRootBytes = 512;
constexpr std::uint32_t kFirstCluster = 2;
constexpr std::size_t kMaxClusters = 32;
constexpr std::size_t kMaxEntries = 4096;

void ReadNames(std::span<const std::uint8_t> directory) {
  for (std::size_t at = 0; at + fat::kEntrySize <= directory.size(); at += fat::kEntrySize) {
    const std::span<const std::uint8_t> slot = directory.subspan(at, fat::kEntrySize);
    fat::ReadLongNamePart(slot);
    fat::FormatShortName(slot);
    WString name;
    std::uint32_t count = 0;
    if (fat::AssembleLongName(directory, at, &name, count) &&
        (name.size() >= fat::kMaxLongNameUnits || at + (std::size_t{count} + 1) * fat::kEntrySize > directory.size())) {
      std::abort();
    }
  }
}

void OpenEntries(CFATParser& parser, DirectoryHandle directory) {
  FindRecord find;
  if (parser.MoveFirstFile(directory, find, 0) == 0) return;
  std::size_t entries = 0;
  do {
    FindData info;
    if (parser.ReadFindFileData(find, info) != 0) continue;
    parser.GetEntryName(find, info, nullptr, true);
    int count = 0;
    if (parser.IsDirectory(find) != 0) {
      const DirectoryHandle sub = parser.OpenDirectoryByRef(find);
      if (sub < 0) continue;
      parser.ValidateDirectoryData(sub, count);
      fuzzing::WalkDirectory(parser, sub, 0, kMaxEntries);
      parser.CloseObject(sub);
    } else {
      const DirectoryHandle file = parser.OpenFileByRef(find);
      if (file < 0) continue;
      std::vector<std::uint8_t> buffer(4096);
      std::uint32_t read = 0;
      parser.ReadFile(file, buffer.data(), static_cast<std::uint32_t>(buffer.size()), read);
      parser.CloseObject(file);
    }
  } while (++entries < kMaxEntries && parser.MoveNextFile(find, 0) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  size = std::min(size, kRootBytes + kMaxClusters * 512);
  const std::span<const std::uint8_t> input = fuzzing::Input(data, size);
  ReadNames(input);

  testing::TinyVolume volume(true);
  const std::span<const std::uint8_t> root = input.first(std::min(size, kRootBytes));
  volume.RootSlot(0, testing::Bytes(root.begin(), root.end()));
  const std::span<const std::uint8_t> clusters = input.subspan(root.size());
  if (!clusters.empty()) {
    // ClusterSlot copies the whole span from the cluster's start on.
    volume.ClusterSlot(kFirstCluster, 0, testing::Bytes(clusters.begin(), clusters.end()));
    const auto last = static_cast<std::uint32_t>(kFirstCluster + (clusters.size() - 1) / 512);
    for (std::uint32_t cluster = kFirstCluster; cluster < last; ++cluster) volume.SetFat(cluster, cluster + 1);
    volume.SetFat(last, 0xFFFF);
  }

  std::unique_ptr<CFAT12Parser> parser = volume.Parser();
  const DirectoryHandle rootHandle = parser->RootDirectory();
  if (rootHandle < 0) return 0;
  for (const bool scanning : {false, true}) {
    parser->SetScanStarted(scanning);
    int count = 0;
    parser->ValidateDirectoryData(rootHandle, count);
    fuzzing::WalkDirectory(*parser, rootHandle, 1, kMaxEntries);
    OpenEntries(*parser, rootHandle);
  }
  return 0;
}
