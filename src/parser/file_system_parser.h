// CFileSystemParser: the abstract base of the NTFS and FAT parsers. It turns
// the raw sectors of one volume into directories, files and the tree of
// recoverable entries. The virtual operations are declared in their fixed
// slot order; "pure" ones are supplied by every parser, the rest have the
// base behaviour given beside them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disk/disk_drive.h"
#include "parser/find_data.h"
#include "parser/recovery_report.h"
#include "parser/tree_node.h"
#include "platform/types.h"

namespace tv {

// File-system type codes: the partition-table type byte of each file system.
inline constexpr std::uint8_t kFsUnknown = 0;
inline constexpr std::uint8_t kFsFat12 = 1;
inline constexpr std::uint8_t kFsFat16 = 6;
inline constexpr std::uint8_t kFsNtfs = 7;
inline constexpr std::uint8_t kFsFat32 = 11;

inline constexpr std::size_t kBootSectorSize = 512;

// The type code of the file system whose boot sector this is, from the OEM
// and file-system-type texts alone; kFsUnknown when none matches. A sector
// shorter than a field's end never matches that field.
std::uint8_t DetectFileSystem(std::span<const std::uint8_t> bootSector);

// "NTFS", "FAT32", "FAT16", "FAT12"; null for any other code.
const char* FileSystemName(std::uint8_t fsType);

// Writes the detection's log line ("Drive FS is NTFS", ...) for a known code.
void LogDetectedFileSystem(std::uint8_t fsType);

// Results of a parser's deleted-entry scan besides 0 (done): the root folder
// held no entry (an empty volume), and the break flag stopped the scan.
inline constexpr int kScanNoEntries = -3;
inline constexpr int kScanStopped = -1000;

// Every directory or file handle is an index into the parser's table of open
// records; -1 means none.
using DirectoryHandle = int;
inline constexpr DirectoryHandle kInvalidHandle = -1;

class CFileSystemParser {
 public:
  CFileSystemParser(const CFileSystemParser&) = delete;
  CFileSystemParser& operator=(const CFileSystemParser&) = delete;

  // ---- Virtual operations in slot order ----

  // 0: releases the directory table, the tree and the drive.
  virtual ~CFileSystemParser();
  // 1: reads and checks the volume's structures; 0 = success.
  virtual int PrepareVolume() = 0;
  // 2: the root directory's handle, or -1.
  virtual DirectoryHandle OpenRootDirectory() = 0;
  // 3: the handle of the named subdirectory of `directory`, or -1.
  virtual DirectoryHandle OpenDirectory(DirectoryHandle directory, const std::string& name) = 0;
  // 4: sets `find` on the first entry of `directory`; non-zero when there is one.
  virtual int MoveFirstFile(DirectoryHandle directory, FindRecord& find, int flag) = 0;
  // 5: moves `find` to the next entry; non-zero when there is one.
  virtual int MoveNextFile(FindRecord& find, int flag) = 0;
  // 6: every parser returns 0; nothing in the system depends on the arguments.
  virtual int ReservedEntryCheck(int first, int second, int third, int fourth) = 0;

  // The entry operations 7, 9 and 10 take the find record: its directory
  // handle, entry position and extra word are the (directory, entry, extra)
  // that the FAT parser reads, and the NTFS parser needs the record alone.

  // 7: non-zero when the current entry is a directory.
  virtual int IsDirectory(const FindRecord& find) = 0;
  // 8: fills `out` from the current entry; 0 on success. May move `find`
  // forward over the entries that make up one name.
  virtual int ReadFindFileData(FindRecord& find, FindData& out) = 0;
  // 9: the current entry's long name; non-zero on success.
  virtual int GetLongName(const FindRecord& find, std::string& out) = 0;
  // 10: the current entry's short name; 0 on success, -1 on failure.
  virtual int GetShortName(const FindRecord& find, std::string& out) = 0;
  // 11: loads the directory's data into its record; 0 on success, any other
  // value is a failure (after 3 the caller keeps the handle open).
  virtual int ReadDirectoryData(DirectoryHandle directory);
  // 12
  virtual void ReleaseDirectoryData(DirectoryHandle directory);
  // 13: closes and deletes the drive; returns 1.
  virtual int CloseDrive();
  // 14: deletes every child of the root.
  virtual void ClearTree();
  // 15: an unused slot.
  virtual void UnusedSlot();
  // 16, 17: not called by the system.
  virtual void BuildEntryPath(int first, int second, int third);
  virtual void SortInternalTable();
  // 18: the record behind a handle; null for a handle that holds none.
  virtual OpenDirectoryRecord* GetDirectoryRecord(DirectoryHandle directory);
  // 19: writes one node (a folder with its contents) under `folder`. Results:
  // 1 done, 2 folder not created, 3 entry not opened, 4 disk full, 0 no name
  // or no file created, -11 destination missing, -1000 stopped.
  virtual int RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders,
                          int nesting, int renameMode, const WString* wideFolder);
  // 20: opens the current entry of `find` as a file handle, or -1.
  virtual DirectoryHandle OpenFileByRef(const FindRecord& find) = 0;
  // 21: opens the current entry of `find` as a directory with its data loaded.
  virtual DirectoryHandle OpenDirectoryByRef(const FindRecord& find);
  // 22: not called by the system.
  virtual int SeekFile(DirectoryHandle file, std::uint64_t position) = 0;
  // 23: reads up to `count` bytes at the file's position; non-zero on success.
  virtual int ReadFile(DirectoryHandle file, void* buffer, std::uint32_t count,
                       std::uint32_t& countRead) = 0;
  // 24: the low half of the file's size; the high half goes to `high`.
  virtual std::uint32_t GetFileSize(DirectoryHandle file, std::int32_t& high) = 0;
  // 25: closes a directory or file handle.
  virtual int CloseObject(DirectoryHandle handle) = 0;
  // 26, 27: not called by the system.
  virtual int GetAttributeData();
  virtual void ScanDisk();
  // 28: the NTFS deleted-entry scan over `percentSpan` percent of progress;
  // 0 on success.
  virtual int AssembleDeletedTree(int percentSpan);
  // 29: the first child in `list` with that key, or list.end().
  virtual TreeNode::ChildList::iterator FindNodeByKey(TreeNode::ChildList& list,
                                                      std::uint32_t key);
  // 30: the parser's attribute value of the current entry (the FAT parsers
  // give the first cluster; 0xFFFFFFFF when the entry cannot be read).
  virtual std::uint32_t EntryAttributes(const FindRecord& find) = 0;
  // 31: builds the "." and ".." entries of a directory.
  virtual int NewDotEntry(DirectoryHandle directory);
  // 32: unlinks and frees one element of a child list.
  virtual void RemoveListElement(TreeNode::ChildList& list, TreeNode::ChildList::iterator element);
  // 33: checks the current entry and hands out its display name; a parser
  // result code (0 = valid).
  virtual int GetEntryName(FindRecord& find, const FindData& info, std::string* name,
                           bool syntaxOnly);
  // 34: the same with the UTF-16 name.
  virtual int GetEntryWideName(FindRecord& find, const FindData& info, WString* name,
                               bool syntaxOnly);
  // 35: calls slot 34.
  virtual int GetEntryWideNameAgain(FindRecord& find, const FindData& info, WString* name,
                                    bool syntaxOnly);
  // 36: checks a directory's contents before use; `count` gets the number of
  // entries seen.
  virtual int ValidateDirectoryData(DirectoryHandle directory, int& count);
  // 37, 38, 39: not called by the system.
  virtual int HasExtraData();
  virtual int GetOpenFileName();
  virtual int IsMftDamaged();
  // 40: logs the size of a directory's data.
  virtual void LogDirectorySize(DirectoryHandle directory);
  // 41: opens the node's data as a file handle; 0 or -1 = not found.
  virtual DirectoryHandle OpenFileByNode(TreeNode& node);
  // 42: loads the volume's cluster bitmap.
  virtual int LoadClusterBitmap();
  // 43: not called by the system.
  virtual float GetDamageLevel();
  // 44: a parser-specific list reset.
  virtual void ResetRunList();

  // ---- Virtual operations after the numbered slots ----

  // The file system's own deleted-entry scan as a scan run calls it, with
  // its log banners: the NTFS record scan, the FAT directory walk. A break
  // flag set before it skips the walk. 0 done, kScanNoEntries, kScanStopped,
  // or the value of a scan that ended early; the base scans nothing (0).
  virtual int ScanDeletedEntries();
  // What of the volume's own structures could not be read, in words ("the
  // master file table could not be read"); empty when they were read. With
  // such a volume nothing can be found or recovered. Before the scan this
  // judges what the parser read when it was made; after it, also what the
  // scan found.
  virtual std::string UnreadableStructures() const;
  // What could not be read although the scan can still find entries, in
  // words ("the file allocation table could not be read"); empty when
  // nothing is missing.
  virtual std::string MissingStructures() const;

  // ---- Non-virtual operations ----

  // Replaces the drive and, when a boot sector is given, copies its first 512
  // bytes (zero-filled when shorter) and takes the bytes per sector and the
  // sectors per cluster from it.
  void AttachVolume(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector);
  // PrepareVolume, then opens the root directory as the root and current
  // directory. -1 when the root cannot be opened, else PrepareVolume's result.
  int OpenVolume();
  // Sector reads relative to the volume's start sector (see CDiskDrive).
  int ReadSectors(std::uint64_t sector, void* buffer, std::uint32_t count, std::uint32_t& countOut);
  int ReadAt(std::uint64_t sector, void* buffer, std::uint32_t count, std::uint32_t& countOut);
  // ReadSectors for file data: every byte that could not be read, or that
  // lies past the end of the volume, is zero in `buffer` and added to `gaps`
  // (the first sector's first byte counts as `gapOffset`). kReadOk when all
  // sectors were read.
  int ReadSectorsNoting(std::uint64_t sector, void* buffer, std::uint32_t count, UnreadableRanges& gaps,
                        std::uint64_t gapOffset);
  // Reads `clusterCount` clusters from `cluster` (counted from the volume's
  // start sector); `countOut` is in clusters.
  int ReadClusters(std::uint64_t cluster, void* buffer, std::uint32_t clusterCount,
                   std::uint32_t& countOut);
  // Adds the deleted nodes below `node` to `counter`.
  void CountDeletedNodes(const TreeNode& node, std::uint32_t& counter) const;

  // Stores `record` in the first free slot of the directory table (or a new
  // one at the end) and returns its index; -1 for a null record or when the
  // table cannot grow.
  DirectoryHandle InsertDirectoryRecord(std::unique_ptr<OpenDirectoryRecord> record);
  // Looks `name` up in `directory` (long name first, then short name, compared
  // upper-cased) and opens it. -1 with the last error 6 (bad handle), 87
  // (empty name) or 2 (not found or not openable).
  DirectoryHandle FindFile(DirectoryHandle directory, const std::string& name, bool wantDirectory);

  // ---- State ----

  std::uint8_t FsType() const { return m_nFsType; }
  std::uint16_t BytesPerSector() const { return m_nBytesPerSector; }
  std::uint8_t SectorsPerCluster() const { return m_nSectorsPerCluster; }
  std::uint64_t VolumeStartSector() const { return m_nVolumeStartSector; }
  const std::uint8_t* BootSector() const { return m_bootSector.data(); }
  const std::string& ScratchFolder() const { return m_szScratchFolder; }
  TreeNode& Root() { return m_root; }
  const TreeNode& Root() const { return m_root; }
  CDiskDrive* Drive() const { return m_pDrive.get(); }
  DirectoryHandle RootDirectory() const { return m_hRootDirectory; }
  DirectoryHandle CurrentDirectory() const { return m_hCurrentDirectory; }

  // The report of the running recovery: RecoverNode adds every entry it
  // could not write completely. Null outside a run; nothing is collected then.
  void SetRecoveryReport(RecoveryReport* report) { m_pRecoveryReport = report; }
  RecoveryReport* GetRecoveryReport() const { return m_pRecoveryReport; }

  // When set, directory enumeration also returns deleted entries; a scan
  // sets it before it walks the volume.
  bool ScanStarted() const { return m_bScanStarted; }
  void SetScanStarted(bool started) { m_bScanStarted = started; }

 protected:
  // Runs first in every parser's constructor: empty tree and tables, the
  // scratch folder made, then AttachVolume. `drive` becomes the parser's.
  CFileSystemParser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector);

  // Empties a handle's slot and hands its record to the caller (for
  // CloseObject); null when the slot holds none.
  std::unique_ptr<OpenDirectoryRecord> TakeDirectoryRecord(DirectoryHandle handle);
  // The record behind a handle as the parser's own type; null when the slot
  // is empty or holds another type.
  template <typename Record>
  Record* DirectoryRecordAs(DirectoryHandle handle) {
    return dynamic_cast<Record*>(GetDirectoryRecord(handle));
  }
  std::size_t DirectoryTableSize() const { return m_directoryTable.size(); }

  std::array<std::uint8_t, kBootSectorSize> m_bootSector{};
  std::uint16_t m_nBytesPerSector = 0;
  std::uint8_t m_nSectorsPerCluster = 0;
  // Added to every sector number read through ReadSectors, ReadAt and
  // ReadClusters; the FAT parsers set it to the data area's first sector.
  std::uint64_t m_nVolumeStartSector = 0;
  std::uint8_t m_nFsType = kFsUnknown;
  std::string m_szScratchFolder;
  TreeNode m_root;
  std::unique_ptr<CDiskDrive> m_pDrive;
  DirectoryHandle m_hCurrentDirectory = kInvalidHandle;
  DirectoryHandle m_hRootDirectory = kInvalidHandle;
  RecoveryReport* m_pRecoveryReport = nullptr;

 private:
  std::vector<std::unique_ptr<OpenDirectoryRecord>> m_directoryTable;
  bool m_bScanStarted = false;
};

}  // namespace tv
