// INFO2, the Recycle Bin's index, read through the parser: the input is the
// INFO2 file of \RECYCLER\S-1-5\ on a small FAT16 volume built in memory.
// Bin files of several record numbers look their original paths up in it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/bin_names.h"
#include "fat/tiny_volume.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace tv;
using testing::DirEntry;

constexpr std::uint32_t kRecyclerCluster = 2;
constexpr std::uint32_t kUserCluster = 3;
constexpr std::uint32_t kInfo2Cluster = 4;
constexpr std::size_t kMaxInfo2Bytes = 64 * 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  size = std::min(size, kMaxInfo2Bytes);
  testing::TinyVolume volume(true);
  volume.RootSlot(0, DirEntry("RECYCLER   ", 0x16, kRecyclerCluster, 0));
  volume.Directory(kRecyclerCluster, 0, {DirEntry("S-1-5      ", 0x16, kUserCluster, 0)});
  volume.Directory(kUserCluster, kRecyclerCluster,
                   {DirEntry("INFO2      ", 0x26, kInfo2Cluster, static_cast<std::uint32_t>(size)),
                    DirEntry("DESKTOP INI", 0x26, 0, 0)});
  volume.SetFat(kRecyclerCluster, 0xFFFF);
  volume.SetFat(kUserCluster, 0xFFFF);
  if (size > 0) {
    // ClusterSlot copies the whole file from the cluster's start on.
    volume.ClusterSlot(kInfo2Cluster, 0, testing::Bytes(data, data + size));
    const auto last = static_cast<std::uint32_t>(kInfo2Cluster + (size - 1) / 512);
    for (std::uint32_t cluster = kInfo2Cluster; cluster < last; ++cluster) volume.SetFat(cluster, cluster + 1);
    volume.SetFat(last, 0xFFFF);
  }
  std::unique_ptr<CFAT12Parser> parser = volume.Parser();

  for (const char* name : {"Dc1.txt", "Dc2.doc", "Dc3", "De0", "Dc4294967295.bin", "Dc12345678901"}) {
    TreeNode node(40, name, 0x20, 0);
    node.SetFolderPath("\\RECYCLER\\S-1-5\\");
    IsBinEntry(*parser, node);
    node.OriginalPath();
    GetBeforeDeletingName(*parser, node);
  }
  // A bin file reached through the tree takes its folder from there.
  TreeNode& root = parser->Root();
  TreeNode* recycler = AppendChild(root, std::make_unique<TreeNode>(kRecyclerCluster, "RECYCLER", 0x16, 0));
  recycler->parent = &root;
  TreeNode* user = AppendChild(*recycler, std::make_unique<TreeNode>(kUserCluster, "S-1-5", 0x16, 0));
  user->parent = recycler;
  TreeNode* file = AppendChild(*user, std::make_unique<TreeNode>(41, "Dc1.txt", 0x20, 0));
  file->parent = user;
  ResolveBinEntry(*parser, *file);
  return 0;
}
