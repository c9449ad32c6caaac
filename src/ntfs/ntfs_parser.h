// CNTFSParser: the parser of NTFS volumes. It locates the master file table
// from the boot sector, reads its records, lists directories from their
// indexes, reads file data (also compressed) and scans every record into the
// tree of recoverable entries.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ntfs/mft_record.h"
#include "ntfs/ntfs_layout.h"
#include "ntfs/run_list.h"
#include "parser/file_system_parser.h"

namespace tv {

// The volume's allocation bitmap: bit i (least significant first) set when
// cluster i is in use.
struct ClusterMap {
  std::uint64_t bitCount = 0;
  std::vector<std::uint8_t> bytes;
  // Clusters of [first, first + count) that the map shows in use; clusters
  // beyond the map count as free.
  std::uint64_t CountUsed(std::uint64_t first, std::uint64_t count) const;
};

// What the last scan counted; the main window shows these.
struct ScanCounters {
  std::uint32_t normalFiles = 0;
  std::uint32_t normalFolders = 0;
  std::uint32_t totalFiles = 0;
  std::uint32_t totalFolders = 0;
};
// The process-wide copy of the last scan's counters.
ScanCounters& PublishedScanCounters();

// The record behind an NTFS file or directory handle.
struct NtfsOpenRecord : OpenDirectoryRecord {
  std::unique_ptr<CMFTRecord> record;
  const UnreadableRanges* UnreadableData() const override { return record ? &record->m_unreadable : nullptr; }
  std::uint64_t ClaimedSize() const override { return record ? record->m_nClaimedSize : 0; }
};

class CNTFSParser : public CFileSystemParser {
 public:
  // Prepares the volume and opens its root directory. A volume that cannot
  // be prepared still gives a parser; its records then cannot be read.
  CNTFSParser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector);
  ~CNTFSParser() override;

  // ---- Parser slots ----
  int PrepareVolume() override;
  DirectoryHandle OpenRootDirectory() override;
  DirectoryHandle OpenDirectory(DirectoryHandle directory, const std::string& name) override;
  int MoveFirstFile(DirectoryHandle directory, FindRecord& find, int skipDosNames) override;
  int MoveNextFile(FindRecord& find, int skipDosNames) override;
  int ReservedEntryCheck(int, int, int, int) override { return 0; }
  int IsDirectory(const FindRecord& find) override;
  int ReadFindFileData(FindRecord& find, FindData& out) override;
  int GetLongName(const FindRecord& find, std::string& out) override;
  int GetShortName(const FindRecord& find, std::string& out) override;
  int ReadDirectoryData(DirectoryHandle directory) override;
  void ReleaseDirectoryData(DirectoryHandle directory) override;
  DirectoryHandle OpenFileByRef(const FindRecord& find) override;
  int SeekFile(DirectoryHandle file, std::uint64_t position) override;
  int ReadFile(DirectoryHandle file, void* buffer, std::uint32_t count,
               std::uint32_t& countRead) override;
  std::uint32_t GetFileSize(DirectoryHandle file, std::int32_t& high) override;
  int CloseObject(DirectoryHandle handle) override;
  int AssembleDeletedTree(int percentSpan) override;
  std::uint32_t EntryAttributes(const FindRecord& find) override;
  int IsMftDamaged() override { return m_bMftDamaged ? 1 : 0; }
  void LogDirectorySize(DirectoryHandle directory) override;
  DirectoryHandle OpenFileByNode(TreeNode& node) override;
  int LoadClusterBitmap() override;
  // Clears m_bAttachOrphans and runs AssembleDeletedTree over the whole
  // progress span, between its log banners.
  int ScanDeletedEntries() override;
  std::string UnreadableStructures() const override;

  // ---- MFT access ----
  // Reads record `number` with its fixups applied into `buffer` (1024
  // bytes); 0 on success, non-zero on failure.
  int ReadMFTRecord(std::uint32_t number, std::uint8_t* buffer);
  std::uint32_t MftRecordCount() const { return static_cast<std::uint32_t>(m_lpMftSectorsList.size()); }
  // First sector of each record.
  const std::vector<std::uint64_t>& MftSectors() const { return m_lpMftSectorsList; }

  std::uint32_t ClusterBytes() const { return m_nSectorsPerCluster * ntfs::kSectorBytes; }
  std::uint64_t TotalClusters() const;
  // Clusters of the volume that lie on the device: fewer than TotalClusters
  // when the device ends early (an image cut short). A cluster whose first
  // sector is on the device counts.
  std::uint64_t ClustersOnDevice() const;
  // Reads `clusters` clusters at `lcn` into `buffer`; zeros stand in for
  // clusters that cannot be read or lie beyond the volume. True when every
  // cluster was read.
  bool ReadVolumeClusters(std::uint64_t lcn, std::uint64_t clusters, std::uint8_t* buffer);

  // Appends the kept entries of the INDX blocks of the $INDEX_ALLOCATION at
  // `attribute` of `record` to `entries`; 0 or kStatusNoMemory.
  int AppendIndexAllocation(CMFTRecord& record, std::uint16_t attribute,
                            std::vector<std::uint8_t>& entries);
  // Appends the kept entries of the $INDEX_ROOT at `attribute`.
  int AppendIndexRoot(CMFTRecord& record, std::uint16_t attribute, std::vector<std::uint8_t>& entries);

  // Share of the clusters of a deleted file's data that are in use now, lie
  // past the end of the device, or lie beyond its runs (a data size the runs
  // do not cover).
  float EstimateDamageLevel(CMFTRecord& record);

  const ClusterMap& Clusters() const { return m_clusterMap; }

  // 1 after construction: orphan folders are attached to the root at the end
  // of a scan. ScanDeletedEntries clears it.
  std::uint8_t m_bAttachOrphans = 1;
  // Set when the root directory could not be listed.
  bool m_bRootListingFailed = false;
  const ScanCounters& LastScanCounters() const { return m_counters; }

 private:
  int ReadMFTRecordFast(std::uint32_t number, std::uint8_t* buffer);
  int ReadMFTRecordSlow(std::uint32_t number, std::uint8_t* buffer);
  // Cross-check of a record's own number and the fixup; `slow` picks the
  // log texts of the slow reader.
  void FinishRecordRead(std::uint32_t number, std::uint8_t* buffer, bool slow);
  // Geometry checks of the boot sector; false (logged) when unsupported.
  bool CheckGeometry();
  // The steps of PrepareVolume after the geometry check. Reads record 0 of
  // the MFT (from the mirror when the main copy fails) into `buffer`; 0 or
  // the failure status, with the MFT marked damaged.
  int ReadMftRecordZero(std::unique_ptr<std::uint8_t[]>& buffer);
  // Fixes record 0 up and extracts $MFT's run list into m_mftRunList, with
  // the extraction's result in `status` (a failed extraction leaves no runs
  // and marks the MFT damaged). False, the MFT marked damaged, when the
  // record's attributes cannot be located.
  bool ExtractMftRunList(std::unique_ptr<std::uint8_t[]> recordZero, int& status);
  // Fills m_lpMftSectorsList from m_mftRunList.
  void BuildMftSectorTable();

  // The scan's sequential record reader (read-ahead over contiguous MFT
  // parts); `record` points into the read-ahead buffer.
  int ReadMftRecordForScan(std::uint32_t number, std::uint8_t*& record);
  // The record walk of AssembleDeletedTree (scan.cpp).
  class TreeScan;

  // Handle helpers.
  NtfsOpenRecord* OpenRecord(DirectoryHandle handle);
  // Sets the object up for reading its data and stores it under a new
  // handle; -1 on failure.
  DirectoryHandle OpenRecordAsFile(std::unique_ptr<CMFTRecord> record, bool logSteps);
  // Sizes, run list and resident data of an opened record; expands a
  // compressed file into its scratch file.
  void PrepareFileData(CMFTRecord& record, bool logSteps);
  int UncompressFile(CMFTRecord& record);
  // Reads from the record's non-resident data at its position.
  bool ReadRuns(CMFTRecord& record, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& done);
  // Reads an index allocation's blocks and keeps their entries.
  int ReadIndexBlocks(const RunList& runs, std::uint32_t blockSize, std::vector<std::uint8_t>& entries);

  std::uint64_t m_nDiskSizeSectors = 0;
  std::uint64_t m_nDiskSizeBytes = 0;
  // Runs of $MFT's data; only during preparation.
  RunList m_mftRunList;
  std::vector<std::uint64_t> m_lpMftSectorsList;
  // 1 = FAST (sector table), otherwise SLOW (walk the MFT run list).
  int m_nReadMode = 0;
  bool m_bMftDamaged = false;
  ClusterMap m_clusterMap;
  ScanCounters m_counters;
  // Read-ahead of the scan: records [first, first + count) in m_batch;
  // clean when the whole piece was read without a failing sector.
  std::vector<std::uint8_t> m_batch;
  std::uint32_t m_nBatchFirst = 0;
  std::uint32_t m_nBatchCount = 0;
  bool m_bBatchClean = false;
};

}  // namespace tv
