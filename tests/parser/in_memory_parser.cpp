#include "in_memory_parser.h"

#include <utility>

namespace tv::testing {

InMemoryParser::InMemoryParser(std::unique_ptr<CDiskDrive> drive,
                               std::span<const std::uint8_t> bootSector,
                               std::map<int, std::vector<MemoryEntry>> directories)
    : CFileSystemParser(std::move(drive), bootSector), m_directories(std::move(directories)) {
  m_nFsType = kFsFat16;
}

DirectoryHandle InMemoryParser::OpenRootDirectory() {
  if (m_bRootFails) return kInvalidHandle;
  auto record = std::make_unique<MemoryRecord>();
  record->directoryId = 0;
  record->isDirectory = true;
  record->useCount = 1;
  record->openedName = "root";
  return InsertDirectoryRecord(std::move(record));
}

DirectoryHandle InMemoryParser::OpenDirectory(DirectoryHandle directory, const std::string& name) {
  return FindFile(directory, name, true);
}

const std::vector<MemoryEntry>* InMemoryParser::DirectoryOf(DirectoryHandle handle) {
  auto* record = DirectoryRecordAs<MemoryRecord>(handle);
  if (record == nullptr || !record->isDirectory) return nullptr;
  auto it = m_directories.find(record->directoryId);
  return it == m_directories.end() ? nullptr : &it->second;
}

const MemoryEntry* InMemoryParser::EntryAt(const FindRecord& find) {
  const auto* entries = DirectoryOf(find.directory);
  if (entries == nullptr || !find.HasPosition() || find.position >= entries->size()) return nullptr;
  return &(*entries)[find.position];
}

int InMemoryParser::MoveFirstFile(DirectoryHandle directory, FindRecord& find, int) {
  const auto* entries = DirectoryOf(directory);
  if (entries == nullptr || entries->empty()) return 0;
  find = FindRecord{directory, 0, 0};
  return 1;
}

int InMemoryParser::MoveNextFile(FindRecord& find, int) {
  if (m_bStuck) return 1;
  const auto* entries = DirectoryOf(find.directory);
  if (entries == nullptr || find.position + 1 >= entries->size()) return 0;
  ++find.position;
  return 1;
}

int InMemoryParser::IsDirectory(const FindRecord& find) {
  const MemoryEntry* entry = EntryAt(find);
  return entry != nullptr && entry->isDirectory ? 1 : 0;
}

int InMemoryParser::ReadFindFileData(FindRecord& find, FindData& out) {
  const MemoryEntry* entry = EntryAt(find);
  if (entry == nullptr) return -1;
  out = FindData{};
  out.fileName = entry->longName;
  out.alternateFileName = entry->shortName;
  out.attributes = entry->isDirectory ? kAttributeDirectory : 0;
  return 0;
}

int InMemoryParser::GetLongName(const FindRecord& find, std::string& out) {
  const MemoryEntry* entry = EntryAt(find);
  if (entry == nullptr || entry->longNameFails) return 0;
  out = entry->longName;
  return 1;
}

int InMemoryParser::GetShortName(const FindRecord& find, std::string& out) {
  const MemoryEntry* entry = EntryAt(find);
  if (entry == nullptr || entry->shortNameFails) return -1;
  out = entry->shortName;
  return 0;
}

int InMemoryParser::ReadDirectoryData(DirectoryHandle directory) {
  auto* record = DirectoryRecordAs<MemoryRecord>(directory);
  if (record == nullptr) return -1;
  if (record->readResult == 0) record->isDirectory = true;
  return record->readResult;
}

DirectoryHandle InMemoryParser::OpenFileByRef(const FindRecord& find) {
  const MemoryEntry* entry = EntryAt(find);
  if (entry == nullptr || entry->openFails) return kInvalidHandle;
  auto record = std::make_unique<MemoryRecord>();
  record->directoryId = entry->directoryId;
  record->openedName = entry->longName;
  record->useCount = 1;
  record->readResult = entry->readDirectoryResult;
  return InsertDirectoryRecord(std::move(record));
}

int InMemoryParser::CloseObject(DirectoryHandle handle) {
  if (!TakeDirectoryRecord(handle)) return 0;
  ++m_nCloses;
  return 1;
}

}  // namespace tv::testing
