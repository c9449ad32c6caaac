// The volume's cluster bitmap ($Bitmap, record 6) and the damage estimate of
// a deleted file: the share of its clusters that other data has taken since,
// that lie past the end of the device, or that its size claims beyond its runs.
#include <algorithm>
#include <bit>
#include <cinttypes>
#include <limits>
#include <new>

#include "log/log.h"
#include "ntfs/ntfs_parser.h"

namespace tv {

using namespace ntfs;

std::uint64_t ClusterMap::CountUsed(std::uint64_t first, std::uint64_t count) const {
  if (first >= bitCount) return 0;
  std::uint64_t end = count > bitCount - first ? bitCount : first + count;
  std::uint64_t used = 0;
  std::uint64_t bit = first;
  // Single bits up to a byte boundary, whole bytes, then the last bits.
  for (; bit < end && (bit % 8) != 0; ++bit) used += (bytes[bit / 8] >> (bit % 8)) & 1u;
  for (; bit + 8 <= end; bit += 8) used += static_cast<std::uint64_t>(std::popcount(bytes[bit / 8]));
  for (; bit < end; ++bit) used += (bytes[bit / 8] >> (bit % 8)) & 1u;
  return used;
}

int CNTFSParser::LoadClusterBitmap() {
  auto buffer = std::make_unique<std::uint8_t[]>(kRecordBytes);
  if (ReadMFTRecord(kBitmapRecord, buffer.get()) != 0) return -1;
  const DirectoryHandle handle =
      OpenRecordAsFile(std::make_unique<CMFTRecord>(buffer.release(), kBitmapRecord, true, this), false);
  if (handle < 0) return -1;

  Log().Message("Try to allocate memory for data buffer");
  std::int32_t high = 0;
  const std::uint32_t low = GetFileSize(handle, high);
  std::uint64_t size = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low;
  // The bitmap needs one bit per cluster; a size far beyond that comes from
  // a damaged record and is cut to what the volume can use.
  size = std::min<std::uint64_t>(size, TotalClusters() / 8 + 8);
  if (size > 0) {
    Log().Format("Size value is %" PRIu64, size);
    std::vector<std::uint8_t> data;
    try {
      data.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
      CloseObject(handle);
      return 0;
    }
    Log().Message("data buffer was successfully alocated");
    std::uint64_t done = 0;
    while (done < size) {
      std::uint32_t read = 0;
      const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(size - done, 1u << 20));
      ReadFile(handle, data.data() + done, piece, read);
      if (read == 0) break;
      done += read;
    }
    m_clusterMap.bitCount = size * 8;
    m_clusterMap.bytes = std::move(data);
    Log().Message("data buffer deleting");
    Log().Message("data buffer was deleted");
  }
  CloseObject(handle);
  return 0;
}

float CNTFSParser::EstimateDamageLevel(CMFTRecord& record) {
  const std::uint16_t data = record.Data();
  if (data != CMFTRecordBase::kAbsent && !record.IsNonResident(data)) return 0.0f;
  if (data == CMFTRecordBase::kAbsent && record.AttributeList() == CMFTRecordBase::kAbsent) return 0.0f;

  Log().Error("EstimateDamageLevel - trying to extract run list");
  RunList runs;
  const std::uint64_t statedSize = record.DataRuns(runs);
  Log().Error("EstimateDamageLevel - run list was successfully extracted");

  // A data size beyond what the runs hold (a damaged record): the clusters
  // it claims past them are nowhere on the volume.
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t clusterBytes = ClusterBytes();
  const std::uint64_t covered = CoveredClusters(runs, TotalClusters());
  const std::uint64_t statedClusters = clusterBytes == 0 ? 0 : (statedSize + clusterBytes - 1) / clusterBytes;
  const std::uint64_t missing = statedClusters > covered ? statedClusters - covered : 0;
  if (runs.empty()) {
    Log().Error("EstimateDamageLevel - lpDataRunList is equal to null");
    return missing > 0 ? 1.0f : 0.0f;
  }

  // Sparse runs hold no clusters of the volume, so nothing of them can have
  // been taken; a file with no allocated run is intact. Clusters past the
  // end of the device (an image cut short) are lost like taken ones.
  const std::uint64_t onDevice = ClustersOnDevice();
  std::uint64_t total = missing;
  std::uint64_t lost = missing;
  std::uint64_t pastEnd = 0;
  // Run lengths of a damaged record can overflow the sums.
  const auto add = [](std::uint64_t& sum, std::uint64_t value) { sum = value > kMax - sum ? kMax : sum + value; };
  for (const Run& run : runs) {
    if (run.IsSparse()) continue;
    const std::uint64_t present = run.lcn < onDevice ? std::min(run.length, onDevice - run.lcn) : 0;
    add(total, run.length);
    add(pastEnd, run.length - present);
    add(lost, run.length - present);
    add(lost, m_clusterMap.CountUsed(run.lcn, present));
  }
  if (pastEnd > 0) {
    Log().Format("EstimateDamageLevel - record %u: %" PRIu64 " of its clusters lie past the end of the device",
                 record.Number(), pastEnd);
  }
  return DamageLevelOf(lost, total);
}

}  // namespace tv
