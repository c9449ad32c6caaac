#include "ntfs/run_list.h"

#include <algorithm>
#include <limits>

#include "disk/le_reader.h"
#include "log/log.h"

namespace tv::ntfs {

bool GetRun(std::span<const std::uint8_t> area, std::size_t position, PackedRun& out) {
  LeReader reader(area);
  const std::uint8_t header = reader.U8(position);
  if (!reader.ok()) {
    Log().Message("GetRun - runlist is equal to null");
    return false;
  }
  const std::size_t lengthWidth = header & 0x0F;
  const std::size_t offsetWidth = header >> 4;
  if (header == 0 || lengthWidth > 8 || offsetWidth > 8) return false;
  out.length = reader.UN(position + 1, lengthWidth);
  out.offset = reader.SN(position + 1 + lengthWidth, offsetWidth);
  out.next = position + 1 + lengthWidth + offsetWidth;
  return reader.ok();
}

RunListExtent CalcDataRunsLength(std::span<const std::uint8_t> area, std::size_t position) {
  RunListExtent extent;
  if (area.empty()) {
    Log().Message("_CMFTRecord::CalcDataRunsLength - one of important buffer was not allocated");
    return extent;
  }
  if (position >= area.size()) {
    Log().Message("_CMFTRecord::CalcDataRunsLength - lpDataRuns is bigger than MFT entry size");
    return extent;
  }
  PackedRun run;
  std::size_t at = position;
  while (at < area.size() && GetRun(area, at, run)) {
    ++extent.runs;
    extent.clusters = run.length > std::numeric_limits<std::uint64_t>::max() - extent.clusters
                          ? std::numeric_limits<std::uint64_t>::max()
                          : extent.clusters + run.length;
    at = run.next;
  }
  extent.bytes = at - position;
  return extent;
}

std::size_t DecodeRunList(std::span<const std::uint8_t> area, std::size_t position, RunList& runs) {
  std::size_t appended = 0;
  std::int64_t lcn = 0;
  PackedRun packed;
  std::size_t at = position;
  while (at < area.size() && GetRun(area, at, packed)) {
    at = packed.next;
    if (packed.offset == 0) {
      runs.push_back(Run{packed.length, 0});
    } else {
      // Overflow of the sum is as meaningless as a negative cluster.
      if ((packed.offset > 0 && lcn > std::numeric_limits<std::int64_t>::max() - packed.offset) ||
          lcn + packed.offset < 0) {
        Log().Message("DecodeRunList - run list leads before the start of the volume");
        break;
      }
      lcn += packed.offset;
      runs.push_back(Run{packed.length, static_cast<std::uint64_t>(lcn)});
    }
    ++appended;
  }
  return appended;
}

std::uint64_t TotalClusters(const RunList& runs) {
  std::uint64_t total = 0;
  for (const Run& run : runs) {
    total = run.length > std::numeric_limits<std::uint64_t>::max() - total
                ? std::numeric_limits<std::uint64_t>::max()
                : total + run.length;
  }
  return total;
}

std::uint64_t CoveredClusters(const RunList& runs, std::uint64_t volumeClusters) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t sparse = 0;
  std::uint64_t allocated = 0;
  for (const Run& run : runs) {
    std::uint64_t& sum = run.IsSparse() ? sparse : allocated;
    sum = run.length > kMax - sum ? kMax : sum + run.length;
  }
  allocated = std::min(allocated, volumeClusters);
  return sparse > kMax - allocated ? kMax : sparse + allocated;
}

}  // namespace tv::ntfs
