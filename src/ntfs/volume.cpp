// Volume preparation: the MFT located from the boot sector, the sector table
// of every MFT record, and the reading of one record with its fixups.
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "disk/le_reader.h"
#include "log/log.h"
#include "ntfs/ntfs_parser.h"
#include "ntfs/update_sequence.h"

namespace tv {

using namespace ntfs;

namespace {

// Longest piece read in one drive call, in sectors (1 MiB).
constexpr std::uint64_t kMaxSectorsPerCall = 2048;

bool IsPowerOfTwo(unsigned value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

CNTFSParser::CNTFSParser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector)
    : CFileSystemParser(std::move(drive), bootSector) {
  m_nFsType = kFsNtfs;
  OpenVolume();
}

// Open records refer to the parser; they go before the parser's own state.
CNTFSParser::~CNTFSParser() {
  for (std::size_t handle = 0; handle < DirectoryTableSize(); ++handle) {
    TakeDirectoryRecord(static_cast<DirectoryHandle>(handle));
  }
}

std::uint64_t CNTFSParser::TotalClusters() const {
  return m_nSectorsPerCluster == 0 ? 0 : m_nDiskSizeSectors / m_nSectorsPerCluster;
}

std::uint64_t CNTFSParser::ClustersOnDevice() const {
  const std::uint64_t deviceSectors = Drive() != nullptr ? Drive()->TotalSectors() : 0;
  if (m_nSectorsPerCluster == 0 || deviceSectors <= VolumeStartSector()) return 0;
  const std::uint64_t sectors = deviceSectors - VolumeStartSector();
  return std::min(TotalClusters(), sectors / m_nSectorsPerCluster + (sectors % m_nSectorsPerCluster != 0 ? 1 : 0));
}

bool CNTFSParser::CheckGeometry() {
  LeReader bootReader{std::span<const std::uint8_t>(m_bootSector)};
  const auto recordCode = static_cast<std::int8_t>(bootReader.U8(boot::kClustersPerRecord));
  std::uint64_t recordBytes = 0;
  if (recordCode > 0) {
    recordBytes = static_cast<std::uint64_t>(recordCode) * m_nSectorsPerCluster * m_nBytesPerSector;
  } else if (recordCode > -32) {
    recordBytes = std::uint64_t{1} << -recordCode;
  }
  // Sector arithmetic assumes 512-byte sectors and two of them per record;
  // clusters above 64 KiB do not fit the sectors-per-cluster byte.
  const bool supported = m_nBytesPerSector == kSectorBytes && IsPowerOfTwo(m_nSectorsPerCluster) &&
                         m_nSectorsPerCluster <= 128 && recordBytes == kRecordBytes;
  if (!supported) {
    Log().Format("CNTFSParser::PrepareVolume() - unsupported volume: %u bytes per sector, %u sectors "
                 "per cluster, %" PRIu64 " bytes per MFT record (512, 1 to 128 and 1024 are supported)",
                 m_nBytesPerSector, m_nSectorsPerCluster, recordBytes);
  }
  return supported;
}

int CNTFSParser::PrepareVolume() {
  Log().Message("CNTFSParser::PrepareVolume() - IN");
  LeReader bootReader{std::span<const std::uint8_t>(m_bootSector)};
  m_nDiskSizeSectors = bootReader.U64(boot::kTotalSectors);
  m_nDiskSizeBytes = m_nDiskSizeSectors > std::numeric_limits<std::uint64_t>::max() / kSectorBytes
                         ? std::numeric_limits<std::uint64_t>::max()
                         : m_nDiskSizeSectors * kSectorBytes;
  Log().Format("CNTFSParser::PrepareVolume() - Disk Size in bytes %" PRIu64, m_nDiskSizeBytes);
  m_lpMftSectorsList.clear();
  m_mftRunList.clear();
  m_nReadMode = 0;

  if (!CheckGeometry()) {
    Log().Message("SETTING m_bMftDamaged to TRUE");
    m_bMftDamaged = true;
    return kStatusUnsupportedGeometry;
  }
  std::unique_ptr<std::uint8_t[]> recordZero;
  if (const int failure = ReadMftRecordZero(recordZero); failure != 0) return failure;
  m_bMftDamaged = false;
  int status = 0;
  if (!ExtractMftRunList(std::move(recordZero), status)) return kStatusAccessViolation;
  BuildMftSectorTable();

  Log().Format("CNTFSParser::PrepareVolume() - volume preparation compleate. MFT records count: %u",
               MftRecordCount());
  m_nReadMode = 1;
  m_mftRunList.clear();
  m_mftRunList.shrink_to_fit();
  Log().Message("CNTFSParser::PrepareVolume() - OUT");
  return status;
}

int CNTFSParser::ReadMftRecordZero(std::unique_ptr<std::uint8_t[]>& buffer) {
  buffer = std::make_unique<std::uint8_t[]>(kRecordBytes);
  LeReader bootReader{std::span<const std::uint8_t>(m_bootSector)};
  const std::uint64_t mftCluster = bootReader.U64(boot::kMftCluster);
  const std::uint64_t mirrorCluster = bootReader.U64(boot::kMftMirrorCluster);
  const auto readAt = [&](std::uint64_t cluster) {
    if (cluster > std::numeric_limits<std::uint64_t>::max() / m_nSectorsPerCluster) return false;
    std::uint32_t done = 0;
    return ReadSectors(cluster * m_nSectorsPerCluster, buffer.get(), kSectorsPerRecord, done) == kReadOk;
  };
  if (!readAt(mftCluster)) {
    Log().Message("CNTFSParser::PrepareVolume() - main MFT record damaged");
    if (!readAt(mirrorCluster)) {
      Log().Message("CNTFSParser::PrepareVolume() - MftMirror record damaged");
      m_bMftDamaged = true;
      return kStatusAccessViolation;
    }
  }
  if (LeReader(std::span<const std::uint8_t>(buffer.get(), kRecordBytes)).U32(record::kSignature) !=
      kSignatureFile) {
    Log().Message("CNTFSParser::PrepareVolume() - 'FILE' signature not founded in MFT record");
    m_bMftDamaged = true;
    return kStatusInvalidSignature;
  }
  return 0;
}

bool CNTFSParser::ExtractMftRunList(std::unique_ptr<std::uint8_t[]> recordZero, int& status) {
  // Record 0 is fixed up like every other record: its run list may cross
  // the end of the first sector.
  ApplyUpdateSequence(std::span<std::uint8_t>(recordZero.get(), kRecordBytes), m_nBytesPerSector);
  CMFTRecord mft(recordZero.release(), 0, true, this);
  Log().Message("CNTFSParser::PrepareVolume() - locating attributes in the root MFT-record");
  if (mft.LocateRecordAttributes() != 0) {
    Log().Message("CNTFSParser::PrepareVolume() - fatal error: attributes not found in MFT record");
    Log().Message("SETTING m_bMftDamaged to TRUE");
    m_bMftDamaged = true;
    return false;
  }
  Log().Message("ok");

  Log().Message("CNTFSParser::PrepareVolume() - extracting run-list...");
  status = mft.ExtractRunList(mft.Data(), m_mftRunList);
  if (status != 0) {
    Log().Message("CNTFSParser::PrepareVolume() - error while extracting Mft run list");
    Log().Message("SETTING m_bMftDamaged to TRUE");
    m_bMftDamaged = true;
    m_mftRunList.clear();
  }
  Log().Message("ok");
  return true;
}

void CNTFSParser::BuildMftSectorTable() {
  Log().Message("CNTFSParser::PrepareVolume() - formation of the m_lpMftSectorsList...");
  // Records lie only where both the volume and the device have sectors: a
  // damaged boot sector may claim a far larger volume than the device or
  // image holds, and records past its end could never be read.
  const std::uint64_t clusters = ClustersOnDevice();
  // The table can name every pair of sectors of the volume at most once.
  const std::uint64_t maxRecords =
      std::min<std::uint64_t>(m_nDiskSizeSectors / kSectorsPerRecord, std::numeric_limits<std::uint32_t>::max());
  try {
    // The records of each run are counted first, so that the table is made
    // at its final size in one allocation.
    std::vector<std::uint64_t> runRecords(m_mftRunList.size(), 0);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < m_mftRunList.size() && total < maxRecords; ++i) {
      const Run& run = m_mftRunList[i];
      if (run.lcn >= clusters) {
        Log().Format("CNTFSParser::PrepareVolume() - MFT run at cluster %" PRIu64 " lies beyond the end of the device",
                     run.lcn);
        continue;
      }
      const std::uint64_t length = std::min(run.length, clusters - run.lcn);
      if (length < run.length) {
        Log().Format("CNTFSParser::PrepareVolume() - MFT run at cluster %" PRIu64 " of %" PRIu64
                     " clusters cut to the %" PRIu64 " the device holds",
                     run.lcn, run.length, length);
      }
      runRecords[i] = std::min<std::uint64_t>(length * m_nSectorsPerCluster / kSectorsPerRecord, maxRecords - total);
      total += runRecords[i];
    }
    m_lpMftSectorsList.reserve(static_cast<std::size_t>(total));
    for (std::size_t i = 0; i < m_mftRunList.size(); ++i) {
      const std::uint64_t first = m_mftRunList[i].lcn * m_nSectorsPerCluster;
      for (std::uint64_t j = 0; j < runRecords[i]; ++j) m_lpMftSectorsList.push_back(first + kSectorsPerRecord * j);
    }
  } catch (const std::bad_alloc&) {
    Log().Error("CNTFSParser::PrepareVolume() - not enough memory for the MFT sector table");
    m_lpMftSectorsList.clear();
    m_lpMftSectorsList.shrink_to_fit();
  }
  Log().Message("ok");
}

int CNTFSParser::ReadMFTRecord(std::uint32_t number, std::uint8_t* buffer) {
  if (m_bMftDamaged) {
    Log().Message("CNTFSParser::ReadMFTRecord() - m_bMftDamaged.");
    return -1;
  }
  if (m_nReadMode == 1) {
    Log().Message("Mft read mode is FAST");
    return ReadMFTRecordFast(number, buffer);
  }
  Log().Message("Mft read mode is SLOW");
  return ReadMFTRecordSlow(number, buffer);
}

void CNTFSParser::FinishRecordRead(std::uint32_t number, std::uint8_t* buffer, bool slow) {
  LeReader rec(std::span<const std::uint8_t>(buffer, kRecordBytes));
  if (rec.U16(record::kUpdateSeqOffset) == record::kModernUpdateSeqOffset) {
    if (slow) Log().Message("Buffer == 0x30");
    if (rec.U32(record::kSignature) == kSignatureFile && rec.U32(record::kRecordNumber) != number) {
      Log().Format("CNTFSParser::ReadMFTRecordFast() - error finding MFT record %u", number);
    }
  }
  Log().Message(slow ? "Try to apply sector fixups" : "Try to apply Sector Fixups");
  ApplyUpdateSequence(std::span<std::uint8_t>(buffer, kRecordBytes), m_nBytesPerSector);
  Log().Message(slow ? "End of apply sector fixups" : "End of apply Sector Fixups");
}

int CNTFSParser::ReadMFTRecordFast(std::uint32_t number, std::uint8_t* buffer) {
  if (number >= MftRecordCount()) {
    Log().Format("CNTFSParser::ReadMFTRecordFast() - record number %u out of MFT", number);
    return -1;
  }
  if (m_bMftDamaged) {
    Log().Format("CNTFSParser::ReadMFTRecordFast() - record %u damaged", number);
    return -1;
  }
  std::uint32_t done = 0;
  const bool failed = ReadSectors(m_lpMftSectorsList[number], buffer, kSectorsPerRecord, done) != kReadOk;
  if (failed) {
    std::memset(buffer, 0, kRecordBytes);
    Log().Format("CNTFSParser::ReadMFTRecordFast() - error reading record %u", number);
  }
  FinishRecordRead(number, buffer, false);
  return failed ? 1 : 0;
}

int CNTFSParser::ReadMFTRecordSlow(std::uint32_t number, std::uint8_t* buffer) {
  if (m_bMftDamaged) return -1;
  if (m_mftRunList.empty()) return 0;
  std::uint64_t base = 0;
  for (std::size_t i = 0; i < m_mftRunList.size(); ++i) {
    const Run run = m_mftRunList[i];
    Log().Message("Slow mode loop");
    const std::uint64_t records = run.length > std::numeric_limits<std::uint64_t>::max() / m_nSectorsPerCluster
                                      ? std::numeric_limits<std::uint64_t>::max()
                                      : run.length * m_nSectorsPerCluster / kSectorsPerRecord;
    if (number - base < records && number >= base) {
      Log().Message("Try read sector");
      std::uint32_t done = 0;
      const std::uint64_t sector = run.lcn * m_nSectorsPerCluster + kSectorsPerRecord * (number - base);
      if (ReadSectors(sector, buffer, kSectorsPerRecord, done) != kReadOk) {
        Log().Format("CNTFSParser::ReadMFTRecordSlow() - error reading record %u", number);
      }
      FinishRecordRead(number, buffer, true);
      return 0;
    }
    base = records > std::numeric_limits<std::uint64_t>::max() - base ? std::numeric_limits<std::uint64_t>::max()
                                                                       : base + records;
  }
  Log().Format("CNTFSParser::ReadMFTRecordFast() - record number %u out of MFT", number);
  return -1;
}

bool CNTFSParser::ReadVolumeClusters(std::uint64_t lcn, std::uint64_t clusters, std::uint8_t* buffer) {
  const std::uint64_t clusterBytes = ClusterBytes();
  const std::uint64_t total = TotalClusters();
  bool complete = true;
  std::uint64_t done = 0;
  while (done < clusters) {
    const std::uint64_t cluster = lcn + done;
    std::uint8_t* target = buffer + done * clusterBytes;
    if (cluster < lcn || cluster >= total) {
      // Beyond the volume: nothing to read there.
      std::memset(target, 0, static_cast<std::size_t>((clusters - done) * clusterBytes));
      return false;
    }
    const std::uint64_t piece = std::min({clusters - done, total - cluster,
                                          std::max<std::uint64_t>(1, kMaxSectorsPerCall / m_nSectorsPerCluster)});
    std::uint32_t read = 0;
    const int result = ReadClusters(cluster, target, static_cast<std::uint32_t>(piece), read);
    if (result != kReadOk) {
      complete = false;
      if (result != kReadSectorFailed) std::memset(target, 0, static_cast<std::size_t>(piece * clusterBytes));
    } else if (read < piece) {
      complete = false;
      std::memset(target + read * clusterBytes, 0, static_cast<std::size_t>((piece - read) * clusterBytes));
    }
    done += piece;
  }
  return complete;
}

}  // namespace tv
