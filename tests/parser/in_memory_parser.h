// A small parser over directories held in memory, for testing the parser
// base: each directory is a list of entries with a long name, a short name
// and a kind, and the behaviour of the parser's own operations (failing
// names, failing opens, the result of ReadDirectoryData) can be set per entry.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "parser/file_system_parser.h"

namespace tv::testing {

struct MemoryEntry {
  std::string longName;
  std::string shortName;
  bool isDirectory = false;
  // The directory this entry opens (for directories).
  int directoryId = -1;
  bool longNameFails = false;
  bool shortNameFails = false;
  bool openFails = false;
  // What ReadDirectoryData answers for a handle opened on this entry.
  int readDirectoryResult = 0;
};

// The record behind a handle: which entry it was opened on.
struct MemoryRecord : OpenDirectoryRecord {
  int directoryId = -1;
  std::string openedName;
  int readResult = 0;
};

class InMemoryParser : public CFileSystemParser {
 public:
  // Directory 0 is the root.
  InMemoryParser(std::unique_ptr<CDiskDrive> drive, std::span<const std::uint8_t> bootSector,
                 std::map<int, std::vector<MemoryEntry>> directories);

  // ---- test controls ----
  void SetRootFails(bool fails) { m_bRootFails = fails; }
  void SetPrepareResult(int result) { m_nPrepareResult = result; }
  // MoveNextFile answers "there is a next entry" without moving.
  void SetStuckEnumeration(bool stuck) { m_bStuck = stuck; }
  void SetVolumeStartSector(std::uint64_t sector) { m_nVolumeStartSector = sector; }
  int Closes() const { return m_nCloses; }
  using CFileSystemParser::TakeDirectoryRecord;

  int PrepareVolume() override { return m_nPrepareResult; }
  DirectoryHandle OpenRootDirectory() override;
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
  int SeekFile(DirectoryHandle, std::uint64_t) override { return 0; }
  int ReadFile(DirectoryHandle, void*, std::uint32_t, std::uint32_t& countRead) override {
    countRead = 0;
    return 0;
  }
  std::uint32_t GetFileSize(DirectoryHandle, std::int32_t& high) override {
    high = 0;
    return 0;
  }
  int CloseObject(DirectoryHandle handle) override;
  std::uint32_t EntryAttributes(const FindRecord&) override { return 0; }

 private:
  const MemoryEntry* EntryAt(const FindRecord& find);
  const std::vector<MemoryEntry>* DirectoryOf(DirectoryHandle handle);

  std::map<int, std::vector<MemoryEntry>> m_directories;
  bool m_bRootFails = false;
  bool m_bStuck = false;
  int m_nPrepareResult = 0;
  int m_nCloses = 0;
};

}  // namespace tv::testing
