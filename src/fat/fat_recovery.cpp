// The clusters of a file node as recovery reads them. A deleted file's chain
// is free in the FAT, so its data is taken to follow its first cluster in
// ascending order for as many clusters as its size needs.
#include <algorithm>
#include <vector>

#include "fat/fat_parser.h"
#include "log/log.h"
#include "parser/break_flag.h"

namespace tv {

namespace {

// Adds `count` clusters from `first` on, joined to the last extent when
// they follow it.
void AppendClusters(std::vector<fat::Extent>& extents, std::uint64_t first, std::uint64_t count) {
  if (count == 0) return;
  if (!extents.empty()) {
    fat::Extent& last = extents.back();
    if (last.count > 0 && last.first + static_cast<std::uint64_t>(last.count) == first) {
      last.count += static_cast<std::int64_t>(count);
      return;
    }
  }
  extents.push_back({static_cast<std::int64_t>(count), first});
}

}  // namespace

std::uint64_t CFATParser::RecoveryChain(const TreeNode& node, std::vector<std::uint32_t>& chain) const {
  chain.clear();
  const std::uint64_t clusterBytes = ClusterBytes();
  if (clusterBytes == 0) {
    chain.push_back(node.key);
    return 0;
  }
  // The most clusters that 4 GiB - 2 bytes can hold; and no more successors
  // than the size needs, so a chain that loops cannot make the list longer
  // than the file.
  const std::uint64_t limit = 0xFFFFFFFEu / m_nSectorsPerCluster / m_nBytesPerSector;
  const std::uint64_t needed = (node.size + clusterBytes - 1) / clusterBytes;
  const auto successors =
      static_cast<std::uint32_t>(std::min(limit, needed > 0 ? needed - 1 : 0));
  if (!m_table.GetClusters(node.key, successors, chain) || chain.empty()) chain.assign(1, node.key);
  return needed > chain.size() ? needed - chain.size() : 0;
}

int CFATParser::RecoveryClusterList(const TreeNode& node, std::vector<std::uint32_t>& list) const {
  const std::uint64_t following = RecoveryChain(node, list);
  // Cluster numbers end at 2^32 - 1; past it stand 0s, which hold no data,
  // rather than numbers that start again at the front of the volume.
  std::uint64_t next = std::uint64_t{list.back()} + 1;
  for (std::uint64_t i = 0; i < following; ++i, ++next) {
    list.push_back(next <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(next) : 0);
  }
  return BreakRequested() ? kScanStopped : 0;
}

int CFATParser::RecoveryExtents(const TreeNode& node, std::vector<fat::Extent>& extents,
                                std::uint64_t& clusters) const {
  extents.clear();
  std::vector<std::uint32_t> chain;
  const std::uint64_t following = RecoveryChain(node, chain);
  for (const std::uint32_t cluster : chain) AppendClusters(extents, cluster, 1);
  AppendClusters(extents, std::uint64_t{chain.back()} + 1, following);
  clusters = chain.size() + following;
  return BreakRequested() ? kScanStopped : 0;
}

float CFATParser::EstimateDamageLevel(const TreeNode& node) const {
  const std::uint64_t clusterBytes = ClusterBytes();
  if (clusterBytes == 0 || node.size == 0 || node.key < 2) return 0.0f;
  const std::uint64_t needed = (node.size + clusterBytes - 1) / clusterBytes;
  // A deleted file's chain is free, so recovery takes its clusters to follow
  // its first one: the share past the end follows from the geometry, with no
  // cluster list, so that a scan of many large entries stays quick. A cluster
  // whose first sector is on the device counts as there.
  const std::uint64_t deviceSectors = Drive() != nullptr ? Drive()->TotalSectors() : 0;
  const std::uint64_t dataSectors = deviceSectors > VolumeStartSector() ? deviceSectors - VolumeStartSector() : 0;
  const std::uint64_t sectorsPerCluster = clusterBytes / kSectorSize;
  const std::uint64_t clustersOnDevice = (dataSectors + sectorsPerCluster - 1) / sectorsPerCluster;
  const std::uint64_t index = node.key - 2;
  const std::uint64_t present = index < clustersOnDevice ? std::min(needed, clustersOnDevice - index) : 0;
  return DamageLevelOf(needed - present, needed);
}

}  // namespace tv
