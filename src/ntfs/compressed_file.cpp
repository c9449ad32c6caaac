// Expansion of a compressed file into a scratch file, one compression unit
// (16 clusters) at a time.
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <exception>
#include <vector>

#include "log/log.h"
#include "ntfs/lznt1.h"
#include "ntfs/ntfs_parser.h"
#include "platform/folders.h"

namespace tv {

using namespace ntfs;

namespace {

// Walks a run list in pieces of at most one compression unit.
class UnitCursor {
 public:
  explicit UnitCursor(const RunList& runs) : m_runs(runs) {}

  // Whole units ahead that lie inside one sparse run: all zeros.
  std::uint64_t SparseUnitsAhead() const {
    if (m_index >= m_runs.size() || !m_runs[m_index].IsSparse() || m_used >= m_runs[m_index].length) return 0;
    return (m_runs[m_index].length - m_used) / kCompressionUnitClusters;
  }
  // Whole units ahead that lie inside one allocated run at or past the
  // device's last cluster: nothing of them is on the volume.
  std::uint64_t UnitsPastDeviceAhead(std::uint64_t deviceClusters) const {
    if (m_index >= m_runs.size()) return 0;
    const Run& run = m_runs[m_index];
    if (run.IsSparse() || m_used >= run.length) return 0;
    if (run.lcn < deviceClusters && m_used < deviceClusters - run.lcn) return 0;
    return (run.length - m_used) / kCompressionUnitClusters;
  }
  // Steps over `units` of the units counted by one of the two above.
  void SkipUnits(std::uint64_t units) { m_used += units * kCompressionUnitClusters; }

  // The pieces of the next unit, each {clusters, lcn}; fewer than 16
  // clusters only at the end of the run list, none after it.
  std::vector<Run> Next() {
    std::vector<Run> pieces;
    std::uint64_t gathered = 0;
    while (gathered < kCompressionUnitClusters && m_index < m_runs.size()) {
      const Run& run = m_runs[m_index];
      if (m_used >= run.length) {
        ++m_index;
        m_used = 0;
        continue;
      }
      const std::uint64_t take = std::min(run.length - m_used, kCompressionUnitClusters - gathered);
      pieces.push_back(Run{take, run.IsSparse() ? 0 : run.lcn + m_used});
      m_used += take;
      gathered += take;
    }
    return pieces;
  }

 private:
  const RunList& m_runs;
  std::size_t m_index = 0;
  std::uint64_t m_used = 0;
};

}  // namespace

int CNTFSParser::UncompressFile(CMFTRecord& record) {
  try {
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(record.m_nFileSize, 0));
    record.m_szScratchName = platform::UniqueTempFileName(ScratchFolder(), "___");
    if (!record.m_szScratchName.empty()) {
      platform::OpenMode mode;
      mode.access = platform::Access::ReadWrite;
      mode.disposition = platform::Disposition::CreateAlways;
      mode.shareRead = true;
      mode.shareWrite = true;
      record.m_hScratch = platform::OpenFile(record.m_szScratchName, mode);
    }
    if (record.m_hScratch == platform::kInvalidFile) {
      Log().Format("CMFTRecord::UncompressFile() - record %u: no scratch file could be created in %s",
                   record.Number(), ScratchFolder().c_str());
      record.m_unreadable.Add(0, size);
      record.m_unreadable.SetReason("no scratch file could be created in " + ScratchFolder() +
                                    " to expand the compressed file into");
      return -1;
    }

    const std::uint64_t clusterBytes = ClusterBytes();
    const std::size_t unitBytes = static_cast<std::size_t>(kCompressionUnitClusters * clusterBytes);
    std::vector<std::uint8_t> input(unitBytes);
    std::vector<std::uint8_t> output(unitBytes);
    std::uint64_t written = 0;
    int result = 0;
    UnitCursor cursor(record.m_runList);
    while (written < size) {
      // Long sparse stretches, and long runs that a damaged run list places
      // past the end of the device, are stepped over rather than written: a
      // run list may claim up to a terabyte of either. The last unit is
      // always written, so the scratch file ends at the file's size.
      const std::uint64_t unitsLeft = (size - written - 1) / unitBytes;
      const std::uint64_t sparseUnits = std::min(cursor.SparseUnitsAhead(), unitsLeft);
      const std::uint64_t lostUnits = std::min(cursor.UnitsPastDeviceAhead(ClustersOnDevice()), unitsLeft);
      if (sparseUnits > 0 || lostUnits > 0) {
        const std::uint64_t units = std::max(sparseUnits, lostUnits);
        if (lostUnits > 0) {
          record.m_bDataDamaged = true;
          record.m_unreadable.Add(written, units * unitBytes);
        }
        cursor.SkipUnits(units);
        written += units * unitBytes;
        if (!platform::SeekFile(record.m_hScratch, written)) {
          record.m_unreadable.Add(written, size - written);
          result = -1;
          break;
        }
        continue;
      }
      const std::vector<Run> pieces = cursor.Next();
      if (pieces.empty()) {
        Log().Format("CMFTRecord::UncompressFile() - record %u: the run list ends at byte %" PRIu64 " of %" PRIu64,
                     record.Number(), written, size);
        record.m_bDataDamaged = true;
        record.m_unreadable.Add(written, size - written);
        result = -1;
        break;
      }
      std::uint64_t clusters = 0;
      std::uint64_t allocated = 0;
      for (const Run& piece : pieces) {
        clusters += piece.length;
        if (!piece.IsSparse()) allocated += piece.length;
      }
      // The allocated pieces of a unit are joined before anything is done
      // with them: a unit's compressed data may lie in several runs.
      bool readOk = true;
      std::uint64_t joined = 0;
      for (const Run& piece : pieces) {
        if (piece.IsSparse()) continue;
        readOk = ReadVolumeClusters(piece.lcn, piece.length, input.data() + joined * clusterBytes) && readOk;
        joined += piece.length;
      }
      const std::uint64_t bytes = std::min<std::uint64_t>(unitBytes, size - written);
      std::fill(output.begin(), output.end(), 0);
      // A unit of 16 allocated clusters is stored as it is; so is a last,
      // short unit whose clusters hold all the bytes that remain. A unit
      // with sparse clusters holds compressed data.
      const bool stored = allocated == kCompressionUnitClusters ||
                          (allocated == clusters && allocated * clusterBytes >= bytes);
      if (allocated == 0) {
        // All sparse: zeros.
      } else if (stored) {
        std::memcpy(output.data(), input.data(), static_cast<std::size_t>(std::min<std::uint64_t>(joined * clusterBytes, unitBytes)));
      } else {
        const Lznt1Result expanded = DecompressLznt1(
            std::span<const std::uint8_t>(input.data(), static_cast<std::size_t>(joined * clusterBytes)), output);
        if (!expanded.ok) {
          Log().Format("CMFTRecord::UncompressFile() - record %u: corrupt compressed data at byte %" PRIu64,
                       record.Number(), written);
          readOk = false;
        }
      }
      if (!readOk) {
        // A unit is expanded as a whole: a bad spot anywhere spoils all of it.
        record.m_bDataDamaged = true;
        record.m_unreadable.Add(written, bytes);
      }
      std::uint32_t done = 0;
      if (!platform::WriteFile(record.m_hScratch, output.data(), static_cast<std::uint32_t>(bytes), &done) ||
          done != bytes) {
        Log().Format("CMFTRecord::UncompressFile() - record %u: the scratch file %s could not be written",
                     record.Number(), record.m_szScratchName.c_str());
        record.m_unreadable.Add(written, size - written);
        record.m_unreadable.SetReason("the scratch file " + record.m_szScratchName +
                                      " for the expanded data could not be written");
        result = -1;
        break;
      }
      written += bytes;
    }
    platform::SeekFile(record.m_hScratch, 0);
    return result == 0 && !record.m_bDataDamaged ? 0 : -1;
  } catch (const std::exception&) {
    Log().Message("CMFTRecord::UncompressFile() - unhandled error!");
    record.m_bDataDamaged = true;
    return -1;
  }
}

}  // namespace tv
