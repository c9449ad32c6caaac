// The volume's cluster bitmap ($Bitmap, record 6) and the damage estimate of
// a deleted file: the share of its clusters that other data has taken since.
#include <algorithm>
#include <bit>
#include <cinttypes>
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
  if (data != _CMFTRecord::kAbsent && !record.IsNonResident(data)) return 0.0f;
  if (data == _CMFTRecord::kAbsent && record.AttributeList() == _CMFTRecord::kAbsent) return 0.0f;

  Log().Error("EstimateDamageLevel - trying to extract run list");
  RunList runs;
  if (data != _CMFTRecord::kAbsent) {
    record.ExtractRunList(data, runs);
  } else {
    CMFTRecord::ListOutput output;
    output.runs = &runs;
    record.ExtractAttrFromAttrList(kAttrData, output);
  }
  Log().Error("EstimateDamageLevel - run list was successfully extracted");
  if (runs.empty()) {
    Log().Error("EstimateDamageLevel - lpDataRunList is equal to null");
    return 0.0f;
  }

  // Sparse runs hold no clusters of the volume, so nothing of them can have
  // been taken; a file with no allocated run is intact.
  std::uint64_t total = 0;
  std::uint64_t free = 0;
  for (const Run& run : runs) {
    if (run.IsSparse()) continue;
    total += run.length;
    free += run.length - m_clusterMap.CountUsed(run.lcn, run.length);
  }
  if (total == 0) return 0.0f;
  // Run lengths of a damaged record can overflow the sums; keep the result a share.
  return std::clamp(static_cast<float>(1.0 - static_cast<double>(free) / static_cast<double>(total)), 0.0f, 1.0f);
}

}  // namespace tv
