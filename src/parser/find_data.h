// The records that the directory-handle layer passes between the parser base
// and the file-system parsers: the open-directory record behind every handle,
// the find record that steps through one directory, and the file information
// that a find record's current entry yields.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "parser/recovery_report.h"
#include "platform/types.h"

namespace tv {

// Longest path or name the Windows side of the system handles, in characters.
inline constexpr std::size_t kMaxPath = 260;

// What a directory handle stands for. A parser derives its own record from it
// (the MFT record of an NTFS directory, the opened entry of a FAT file) and
// stores it with CFileSystemParser::InsertDirectoryRecord. File handles use
// the same table, so a record also stands for an open file.
struct OpenDirectoryRecord {
  OpenDirectoryRecord() = default;
  OpenDirectoryRecord(const OpenDirectoryRecord&) = delete;
  OpenDirectoryRecord& operator=(const OpenDirectoryRecord&) = delete;
  virtual ~OpenDirectoryRecord() = default;

  // Directory data is only valid when this is set.
  bool isDirectory = false;
  // The directory's contents as loaded by ReadDirectoryData.
  std::vector<std::uint8_t> data;
  // Successful opens not yet closed.
  std::uint32_t useCount = 0;

  // For an open file: the byte ranges its reads could not deliver so far
  // (zeros stood in for them); null when the parser keeps no such record.
  virtual const UnreadableRanges* UnreadableData() const { return nullptr; }
  // For an open file whose size had to be cut to the data the volume holds:
  // the size its entry claims; else 0.
  virtual std::uint64_t ClaimedSize() const { return 0; }

  std::uint32_t DataSize() const {
    return data.size() > std::numeric_limits<std::uint32_t>::max()
               ? std::numeric_limits<std::uint32_t>::max()
               : static_cast<std::uint32_t>(data.size());
  }
};

// A cursor over one open directory: 12 bytes, owned by the caller. The parser
// keeps the current entry as a byte offset into the directory's data rather
// than a pointer, so every access can be checked against the data's size.
struct FindRecord {
  static constexpr std::uint32_t kNoPosition = 0xFFFFFFFFu;

  // The directory handle being enumerated.
  std::int32_t directory = -1;
  // Byte offset of the current entry in the directory's data.
  std::uint32_t position = kNoPosition;
  // Free for the parser's own use.
  std::uint32_t extra = 0;

  bool HasPosition() const { return position != kNoPosition; }
};
static_assert(sizeof(FindRecord) == 12, "a find record is 12 bytes");

// File information of one directory entry, shaped like the Windows find data:
// attributes, three times, the size in two halves, the long and the 8.3 name,
// then both names again as UTF-16. The narrow names are std::string because
// narrow text is UTF-8 (up to three bytes per UTF-16 unit) and would not fit
// the fixed 260 and 14 character fields; the parsers still refuse names
// longer than kMaxPath characters.
struct FindData {
  std::uint32_t attributes = 0;
  FileTime creationTime = 0;
  FileTime lastAccessTime = 0;
  FileTime lastWriteTime = 0;
  std::uint32_t sizeHigh = 0;
  std::uint32_t sizeLow = 0;
  std::string fileName;           // long name
  std::string alternateFileName;  // 8.3 name
  WString wideFileName;
  WString wideAlternateFileName;

  std::uint64_t Size() const { return (std::uint64_t{sizeHigh} << 32) | sizeLow; }
  void SetSize(std::uint64_t size) {
    sizeHigh = static_cast<std::uint32_t>(size >> 32);
    sizeLow = static_cast<std::uint32_t>(size);
  }
};

}  // namespace tv
