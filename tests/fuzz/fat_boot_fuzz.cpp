// FAT boot sectors and allocation tables: the input is the start of a volume
// (boot sector, reserved sectors, the FAT copies, ...). Each of the three
// parsers prepares it and opens its root directory; then the chains that
// start at the first clusters and at the root cluster are walked every way
// the parser walks them: runs, extent lists, cluster lists, and the
// recovery list of a file of each of a few sizes.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "fat/fat12_parser.h"
#include "fat/fat32_parser.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace tv;

constexpr std::uint32_t kWalkedStarts = 32;
constexpr std::uint32_t kMaxSuccessors = 4096;

void WalkChains(const CFATParser& parser) {
  const fat::FatTable& table = parser.Table();
  std::vector<std::uint32_t> starts;
  for (std::uint32_t start = 0; start < kWalkedStarts; ++start) starts.push_back(start);
  starts.push_back(parser.RootId());
  starts.push_back(table.MaxCluster());
  for (const std::uint32_t start : starts) {
    table.Entry(fat::FatCopy::First, start);
    table.Entry(fat::FatCopy::Second, start);
    std::uint32_t next = 0;
    table.CountRun(start, next);
    const fat::ExtentList extents = table.BuildExtentList(start, parser.ClusterBytes());
    std::uint64_t clusters = 0;
    for (const fat::Extent& extent : extents.extents) clusters += static_cast<std::uint64_t>(extent.count);
    if (clusters != extents.clusterCount) std::abort();
    std::vector<std::uint32_t> list;
    table.GetClusters(start, kMaxSuccessors, list);
    if (list.size() > kMaxSuccessors + 1) std::abort();
    for (const std::uint64_t size : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{3000}}) {
      TreeNode node(start, "FILE.BIN", 0, 1);
      node.size = size;
      parser.RecoveryClusterList(node, list);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input = fuzzing::Input(data, size);
  const std::vector<std::uint8_t> boot = fuzzing::BootSectorOf(input);
  std::unique_ptr<CFATParser> parsers[] = {
      std::make_unique<CFAT12Parser>(fuzzing::DriveOver(input), boot),
      std::make_unique<CFAT16Parser>(fuzzing::DriveOver(input), boot),
      std::make_unique<CFAT32Parser>(fuzzing::DriveOver(input), boot, 0),
  };
  for (const auto& parser : parsers) {
    parser->IsMftDamaged();
    WalkChains(*parser);
  }
  return 0;
}
