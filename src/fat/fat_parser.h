// CFATParser: what the FAT12, FAT16 and FAT32 parsers share. The subclasses
// supply the volume geometry and the root directory; the variant table of
// fat_table.h supplies the decoding of allocation-table entries.
//
// Sector units: the drive reads 512-byte sectors while the boot sector counts
// in its own bytes per sector (512 to 4096), so every sector number and count
// taken from the boot sector is scaled by m_nSectorScale before a read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "fat/fat_layout.h"
#include "fat/fat_table.h"
#include "parser/file_system_parser.h"
#include "parser/recovery_output.h"

namespace tv {

// The entry a file or directory handle was opened on, with its chain.
struct FatOpenedEntry {
  // The entry's file size; set only for a file that has an extent list.
  std::uint32_t dataSize = 0;
  // Copy of the short directory entry.
  std::array<std::uint8_t, fat::kEntrySize> entry{};
  // The long name, empty when the entry has none.
  std::string name;
  std::vector<fat::Extent> extents;
  // Clusters of the extents times the cluster size.
  std::uint64_t allocatedBytes = 0;
  // Read position of ReadFile, and the extent that holds it with the number
  // of clusters before that extent, so that reading on does not search the
  // extents from the start.
  std::uint64_t position = 0;
  std::size_t extentIndex = 0;
  std::uint64_t extentStartCluster = 0;

  std::uint8_t Attributes() const { return entry[fat::entry::kAttributes]; }
};

// What a FAT directory or file handle stands for. A root directory has no
// opened entry.
struct FatDirectoryRecord : OpenDirectoryRecord {
  std::unique_ptr<FatOpenedEntry> opened;
};

class CFATParser : public CFileSystemParser {
 public:
  // Result of the stream read when there is nothing to read or no memory.
  static constexpr std::uint32_t kStreamReadFailed = 0xC0000009u;
  // A directory opened by reference may have at most this many bytes of clusters.
  static constexpr std::uint64_t kMaxDirectoryBytes = 0xA00000;
  // How deep the directory walk descends. A path of 260 characters holds at
  // most 130 folder levels, and a volume whose folders point back at their
  // ancestors would otherwise recurse without end.
  static constexpr int kMaxDirectoryDepth = 130;

  ~CFATParser() override;

  // ---- Slots of the parser interface ----
  int PrepareVolume() override { return 0; }
  DirectoryHandle OpenDirectory(DirectoryHandle directory, const std::string& name) override;
  int MoveFirstFile(DirectoryHandle directory, FindRecord& find, int flag) override;
  int MoveNextFile(FindRecord& find, int flag) override;
  int ReservedEntryCheck(int, int, int, int) override { return 0; }
  int IsDirectory(const FindRecord& find) override;
  int ReadFindFileData(FindRecord& find, FindData& out) override;
  int GetLongName(const FindRecord& find, std::string& out) override;
  int GetShortName(const FindRecord& find, std::string& out) override;
  int ReadDirectoryData(DirectoryHandle directory) override;
  DirectoryHandle OpenFileByRef(const FindRecord& find) override;
  // Moves a file handle's read position; 1 on success, 0 for a bad handle.
  int SeekFile(DirectoryHandle file, std::uint64_t position) override;
  int ReadFile(DirectoryHandle file, void* buffer, std::uint32_t count,
               std::uint32_t& countRead) override;
  std::uint32_t GetFileSize(DirectoryHandle file, std::int32_t& high) override;
  // 1 when the handle was open, 0 when its slot was already empty.
  int CloseObject(DirectoryHandle handle) override;
  // The first cluster of the current entry; 0xFFFFFFFF when it cannot be read.
  std::uint32_t EntryAttributes(const FindRecord& find) override;
  // Writes a node (a folder with its contents) under `folder`, reading the
  // data clusters itself; the results of the base version.
  int RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders, int nesting,
                  int renameMode, const WString* wideFolder) override;
  // A file handle that reads a file node the way recovery does (see
  // RecoveryClusterList), clamped to the node's size; -1 when stopped.
  DirectoryHandle OpenFileByNode(TreeNode& node) override;
  // The entry check: 0 valid, 1 bad name, 2 bad first cluster, 3 both, -1 a
  // size beyond the volume or no entry.
  int GetEntryName(FindRecord& find, const FindData& info, std::string* name,
                   bool syntaxOnly) override;
  int GetEntryWideName(FindRecord& find, const FindData& info, WString* name,
                       bool syntaxOnly) override;
  // The number of valid entries (count gets all entries); 1 when the
  // directory cannot be enumerated, -1 when it has entries but none is valid.
  int ValidateDirectoryData(DirectoryHandle directory, int& count) override;
  void LogDirectorySize(DirectoryHandle directory) override;
  // Non-zero when the volume's structures could not be read at construction
  // (no usable geometry, no FAT, or no root directory), so that a front end
  // can refuse the volume instead of scanning nothing.
  int IsMftDamaged() override { return m_nOpenResult != 0 ? 1 : 0; }
  // ScanDirectoryTree between its log banners.
  int ScanDeletedEntries() override;
  // No usable layout, or no readable root directory.
  std::string UnreadableStructures() const override;
  // An allocation table of which nothing could be read.
  std::string MissingStructures() const override;

  // ---- Allocation table ----
  std::uint32_t GetFatEntry(fat::FatCopy copy, std::uint32_t index) const {
    return m_table.Entry(copy, index);
  }
  // The first cluster of a 32-byte short entry (FAT32 adds the high half).
  std::uint32_t GetFirstCluster(std::span<const std::uint8_t> entry) const;
  std::uint32_t CountRun(std::uint32_t start, std::uint32_t& next) const {
    return m_table.CountRun(start, next);
  }
  fat::ExtentList BuildExtentList(std::uint32_t start) const {
    return m_table.BuildExtentList(start, ClusterBytes());
  }
  const fat::FatTable& Table() const { return m_table; }
  std::uint32_t LastCluster() const { return m_table.LastCluster(); }

  // ---- File data ----
  // Reads every cluster of the entry's extents into `out`; 0 or
  // kStreamReadFailed. A cluster that cannot be read stays zero;
  // `sectorsRead`, when given, receives the drive sectors that were read.
  std::uint32_t ReadDataStream(const FatOpenedEntry& opened, std::vector<std::uint8_t>& out,
                               std::uint64_t* sectorsRead = nullptr);
  // The clusters that recovery reads for a file node: its chain in the first
  // FAT copy, completed with the clusters that follow the chain's last one
  // until they cover the node's size. -1000 when the break flag is set.
  int RecoveryClusterList(const TreeNode& node, std::vector<std::uint32_t>& list) const;
  // The same clusters as extents of consecutive clusters, and how many
  // there are: a file whose size needs millions of clusters after its chain
  // takes one extent for them, not a list entry each.
  int RecoveryExtents(const TreeNode& node, std::vector<fat::Extent>& extents, std::uint64_t& clusters) const;
  // The damage level of a deleted file node: the share of the clusters its
  // size needs, from its first cluster on, that lie past the end of the
  // device (an image cut short), where recovery finds nothing.
  float EstimateDamageLevel(const TreeNode& node) const;

  // ---- Recovery ----
  // Clusters of the recovery buffer, sized on first use (or when the cluster
  // size changed) and kept for the parser's life.
  static constexpr std::size_t kRecoveryBufferClusters = 500;
  void PrepareRecoveryBuffer();

  // ---- Deleted-entry scan ----
  // Walks `directory` and everything below it into `parent`. `visited` holds
  // the first clusters of the directories met so far. 0 when nodes were
  // added (or the first entry could not be read), kScanNoEntries when none
  // was, kScanStopped when the break flag was set.
  int PrepareDirectoryAndFilesTree(TreeNode& parent, double progressFrom, double progressTo,
                                   std::unordered_set<std::uint32_t>& visited,
                                   DirectoryHandle directory, int depth);
  // The whole walk from the root directory into the root node, with the
  // root's cluster as the first visited one. Refuses (-1) a volume whose
  // preparation failed: without the geometry no cluster can be found.
  int ScanDirectoryTree();

  // ---- Geometry ----
  std::uint32_t RootId() const { return m_nRootId; }
  std::uint64_t VolumeBytes() const { return m_nVolumeBytes; }
  std::uint32_t ClusterBytes() const {
    return std::uint32_t{m_nBytesPerSector} * m_nSectorsPerCluster;
  }
  // OpenVolume's result during construction: 0 when the volume was prepared
  // and its root directory opened.
  int OpenResult() const { return m_nOpenResult; }
  // True when the boot sector gave a layout the clusters can be found with.
  bool VolumeReady() const { return m_bVolumeReady; }
  // Set when not one sector of the root directory could be read at its last
  // reading, or not one sector of the allocation table copies read at
  // construction. Such a volume still gets a parser, so that a front end can
  // say what is wrong: without its root directory the scan finds nothing,
  // without its table no chain of clusters can be followed.
  bool RootDirectoryUnreadable() const { return m_bRootUnreadable; }
  bool FatUnreadable() const { return m_bFatUnreadable; }

 protected:
  CFATParser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector,
             const fat::FatVariant& variant);

  // Runs OpenVolume and keeps its result.
  void Initialise();

  // True when the boot sector's bytes per sector (512, 1024, 2048 or 4096)
  // and sectors per cluster (not 0) let clusters be found; logs when not.
  bool CheckGeometry();
  // Allocates one FAT copy of `bytes` and reads it from volume sector
  // `sector`. Empty when the copy cannot be allocated. `sectorsRead`, here
  // and below, receives the drive sectors that were read.
  std::vector<std::uint8_t> ReadFatCopy(std::uint64_t sector, std::uint64_t bytes,
                                        std::uint64_t* sectorsRead = nullptr);
  // Reads whole boot-sector-sized sectors from an absolute volume sector
  // into `buffer`, as many as fit; the drive's result.
  int ReadVolumeSectors(std::uint64_t sector, std::span<std::uint8_t> buffer,
                        std::uint64_t* sectorsRead = nullptr);
  // Reads `count` clusters from `cluster` (at least 2) into `buffer`, which
  // holds count * ClusterBytes() bytes; the drive's result.
  int ReadClusterRun(std::uint64_t cluster, std::uint64_t count, std::uint8_t* buffer,
                     std::uint64_t* sectorsRead = nullptr);
  // Enters a directory handle for directory data that has no opened entry.
  DirectoryHandle InsertRootDirectory(std::vector<std::uint8_t> data);

  std::uint16_t BootU16(std::size_t offset) const;
  std::uint32_t BootU32(std::size_t offset) const;
  std::uint8_t BootU8(std::size_t offset) const;

  fat::FatTable m_table;
  // 512-byte drive sectors per boot-sector sector.
  std::uint32_t m_nSectorScale = 1;
  std::uint32_t m_nRootId = 0;
  std::uint64_t m_nDataStart = 0;  // in boot-sector sectors
  std::uint64_t m_nVolumeSectors = 0;
  std::uint64_t m_nVolumeBytes = 0;
  int m_nOpenResult = -1;
  bool m_bVolumeReady = false;
  bool m_bRootUnreadable = false;
  bool m_bFatUnreadable = false;

  // The directory data behind a handle, and the short entry of the current
  // entry of a find (after its long-name run); empty / nullopt when missing.
  std::span<const std::uint8_t> DirectoryData(DirectoryHandle directory);
  std::optional<std::size_t> ShortEntryOffset(const FindRecord& find);

 private:
  // The node's chain for recovery in `chain` (never empty); returns how many
  // clusters after the chain's last one the node's size still needs.
  std::uint64_t RecoveryChain(const TreeNode& node, std::vector<std::uint32_t>& chain) const;
  // Writes the node's clusters to `target`; how it went ends up in `copy`.
  void CopyRecoveryClusters(const TreeNode& node, platform::FileHandle target, FileCopy& copy);
  std::vector<std::uint8_t> m_recoveryBuffer;

  // The steps of PrepareDirectoryAndFilesTree. The number of entries of a
  // directory the walk enters; 0 when it has none or lies too deep.
  int CountWalkEntries(DirectoryHandle directory, int depth, const char* in);
  // The first entry of the walk, whose file information could be read; the
  // directory is used once more while the walk holds it.
  bool FindFirstWalkEntry(DirectoryHandle directory, FindRecord& find, FindData& info,
                          const char* in);
  // The next entry whose file information can be read; false at the end.
  bool FindNextWalkEntry(FindRecord& find, FindData& info);
  // One entry of the walk: a file's node is added, a directory walked.
  void WalkEntry(TreeNode& parent, DirectoryHandle directory, FindRecord& find, const FindData& info,
                 double from, double to, std::unordered_set<std::uint32_t>& visited, int depth,
                 const std::string& indent, int& added);
  void AddFileNode(TreeNode& parent, std::span<const std::uint8_t> entry, const FindData& info,
                   std::uint32_t cluster, bool deleted);
  // Opens the directory of a directory entry during the walk and adds its
  // node; the file steps are AddFileNode.
  void WalkDirectoryEntry(TreeNode& parent, const FindRecord& find, const FindData& info,
                          std::uint32_t cluster, bool deleted, double from, double to,
                          std::unordered_set<std::uint32_t>& visited, int depth,
                          const std::string& indent, int& added);
};

}  // namespace tv
