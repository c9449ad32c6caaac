// The table of open directory and file records behind the integer handles,
// and the lookups built on it: FindFile and OpenDirectoryByRef.
#include <exception>
#include <limits>
#include <stdexcept>
#include <utility>

#include "log/log.h"
#include "parser/file_system_parser.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace tv {
namespace {

// True when the entry is of the wanted kind and its long name, or else its
// short name, equals `wanted` (already upper-cased) after upper-casing.
bool EntryMatches(CFileSystemParser& parser, const FindRecord& find, const std::string& wanted,
                  bool wantDirectory) {
  if ((parser.IsDirectory(find) != 0) != wantDirectory) return false;
  std::string name;
  if (!parser.GetLongName(find, name)) return false;
  if (platform::ToUpperNarrow(name) == wanted) return true;
  name.clear();
  if (parser.GetShortName(find, name) != 0) return false;
  return platform::ToUpperNarrow(name) == wanted;
}

}  // namespace

DirectoryHandle CFileSystemParser::InsertDirectoryRecord(std::unique_ptr<OpenDirectoryRecord> record) {
  // Handle 0 is a real handle, so a null record must not get it.
  if (!record) return kInvalidHandle;
  try {
    for (std::size_t i = 0; i < m_directoryTable.size(); ++i) {
      if (!m_directoryTable[i]) {
        m_directoryTable[i] = std::move(record);
        return static_cast<DirectoryHandle>(i);
      }
    }
    // Handles are ints; the table cannot outgrow them.
    if (m_directoryTable.size() >= static_cast<std::size_t>(std::numeric_limits<DirectoryHandle>::max())) {
      throw std::length_error("vector<T> too long");
    }
    m_directoryTable.push_back(std::move(record));
    return static_cast<DirectoryHandle>(m_directoryTable.size() - 1);
  } catch (const std::exception&) {
    Log().Error("EXCEPTION WHILE INSERTING FILE RECORD");
    return kInvalidHandle;
  }
}

OpenDirectoryRecord* CFileSystemParser::GetDirectoryRecord(DirectoryHandle directory) {
  if (directory < 0 || static_cast<std::size_t>(directory) >= m_directoryTable.size()) return nullptr;
  return m_directoryTable[static_cast<std::size_t>(directory)].get();
}

std::unique_ptr<OpenDirectoryRecord> CFileSystemParser::TakeDirectoryRecord(DirectoryHandle handle) {
  if (handle < 0 || static_cast<std::size_t>(handle) >= m_directoryTable.size()) return nullptr;
  return std::move(m_directoryTable[static_cast<std::size_t>(handle)]);
}

DirectoryHandle CFileSystemParser::FindFile(DirectoryHandle directory, const std::string& name,
                                            bool wantDirectory) {
  Log().Message("CFileSystemParser::FindFile() - IN");
  if (GetDirectoryRecord(directory) == nullptr) {
    platform::SetLastError(err::kInvalidHandle);
    return kInvalidHandle;
  }
  if (name.empty()) {
    platform::SetLastError(err::kInvalidParameter);
    return kInvalidHandle;
  }
  const std::string wanted = platform::ToUpperNarrow(name);

  FindRecord find;
  bool found = false;
  if (MoveFirstFile(directory, find, 0)) {
    for (;;) {
      if (EntryMatches(*this, find, wanted, wantDirectory)) {
        found = true;
        break;
      }
      // Entries lie at rising offsets of the directory data; a position that
      // does not move forward would repeat the same entries for ever.
      const std::uint32_t before = find.position;
      if (!MoveNextFile(find, 0) || find.position <= before) break;
    }
  }
  if (!found) {
    platform::SetLastError(err::kFileNotFound);
    return kInvalidHandle;
  }
  const DirectoryHandle opened = wantDirectory ? OpenDirectoryByRef(find) : OpenFileByRef(find);
  if (opened < 0) platform::SetLastError(err::kFileNotFound);
  return opened;
}

DirectoryHandle CFileSystemParser::OpenDirectoryByRef(const FindRecord& find) {
  const DirectoryHandle handle = OpenFileByRef(find);
  if (handle < 0) return kInvalidHandle;
  Log().Message("OpenDirectoryByRef - Memory for directory was allocated");
  if (ReadDirectoryData(handle) != 0) {
    // The handle is not handed out, so nobody else could ever close it.
    CloseObject(handle);
    return kInvalidHandle;
  }
  Log().Message("OpenDirectoryByRef - Directory content was successfully readed");
  if (OpenDirectoryRecord* record = GetDirectoryRecord(handle)) ++record->useCount;
  return handle;
}

}  // namespace tv
