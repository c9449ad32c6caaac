// Enumeration of FAT directories through find records. A find record's
// position is a byte offset into the directory's data; every slot is read
// only after checking that its 32 bytes lie inside that data.
#include <optional>

#include "disk/le_reader.h"
#include "fat/dos_time.h"
#include "fat/fat_names.h"
#include "fat/fat_parser.h"
#include "log/log.h"
#include "platform/text.h"

namespace tv {
namespace {

using fat::kEntrySize;

bool HasSlot(std::span<const std::uint8_t> data, std::size_t offset) {
  return offset <= data.size() && data.size() - offset >= kEntrySize;
}

std::span<const std::uint8_t> Slot(std::span<const std::uint8_t> data, std::size_t offset) {
  return HasSlot(data, offset) ? data.subspan(offset, kEntrySize) : std::span<const std::uint8_t>{};
}

// Byte 0 of a slot; 0 for a slot outside the data.
std::uint8_t FirstByte(std::span<const std::uint8_t> data, std::size_t offset) {
  return offset < data.size() ? data[offset] : 0;
}

bool IsLongNameSlot(std::span<const std::uint8_t> data, std::size_t offset) {
  return HasSlot(data, offset) && data[offset + fat::entry::kAttributes] == fat::kAttrLongName;
}

bool IsLiveLongNameSlot(std::span<const std::uint8_t> data, std::size_t offset) {
  return IsLongNameSlot(data, offset) && data[offset] != fat::kDeletedMark;
}

// The slot's bytes up to its first zero, for log lines; bytes that are not
// printable ASCII become ".".
std::string SlotText(std::span<const std::uint8_t> slot) {
  std::string text;
  for (std::uint8_t b : slot) {
    if (b == 0) break;
    text.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.');
  }
  return text;
}

}  // namespace

std::span<const std::uint8_t> CFATParser::DirectoryData(DirectoryHandle directory) {
  const OpenDirectoryRecord* record = GetDirectoryRecord(directory);
  if (!record) return {};
  return record->data;
}

std::optional<std::size_t> CFATParser::ShortEntryOffset(const FindRecord& find) {
  const std::span<const std::uint8_t> data = DirectoryData(find.directory);
  if (!find.HasPosition() || !HasSlot(data, find.position)) return std::nullopt;
  if (!IsLongNameSlot(data, find.position)) return find.position;
  std::uint32_t count = 0;
  if (!fat::AssembleLongName(data, find.position, nullptr, count)) return std::nullopt;
  const std::size_t shortEntry = find.position + std::size_t{count} * kEntrySize;
  if (!HasSlot(data, shortEntry)) return std::nullopt;
  return shortEntry;
}

int CFATParser::MoveFirstFile(DirectoryHandle directory, FindRecord& find, int) {
  const OpenDirectoryRecord* record = GetDirectoryRecord(directory);
  if (!record) return 0;
  if (!record->isDirectory) {
    Log().Error("CFATParser::MoveFirstFile() - this is not a directory!");
    return 0;
  }
  const std::span<const std::uint8_t> data = record->data;
  if (data.size() < kEntrySize) {
    Log().Error("CFATParser::MoveFirstFile() - directory size less than 32 bytes, return FALSE");
    return 0;
  }
  find.directory = directory;
  find.position = 0;
  find.extra = 0;

  // Whether the first entry is deleted shows in its short entry.
  std::size_t shortEntry = 0;
  if (IsLongNameSlot(data, 0)) {
    std::uint32_t count = 0;
    if (fat::AssembleLongName(data, 0, nullptr, count)) {
      shortEntry = std::size_t{count} * kEntrySize;
    } else {
      Log().Error("CFATParser::MoveFirstFile() - error reading long name, skip folder");
      shortEntry = kEntrySize;
    }
  }
  if (FirstByte(data, shortEntry) != fat::kDeletedMark || ScanStarted()) return 1;
  return MoveNextFile(find, 0);
}

int CFATParser::MoveNextFile(FindRecord& find, int) {
  const OpenDirectoryRecord* record = GetDirectoryRecord(find.directory);
  if (!record) return 0;
  if (!record->isDirectory) {
    Log().Error("CFATParser::MoveNextFile() - this is not a directory");
    int count = 0;
    ValidateDirectoryData(find.directory, count);
    Log().Error("MoveNextFile - is not a directory");
    return 0;
  }
  const std::span<const std::uint8_t> data = record->data;
  const std::size_t end = data.size();
  if (!find.HasPosition()) return 0;

  // Every pass moves q at least one slot on, so the loop ends at the end of
  // the data.
  std::size_t q = find.position;
  for (;;) {
    if (!HasSlot(data, q)) return 0;
    LeReader slot(Slot(data, q));
    if (slot.U16(0) == 0) return 0;
    if (IsLiveLongNameSlot(data, q)) {
      std::uint32_t count = 0;
      if (fat::AssembleLongName(data, q, nullptr, count)) {
        q += std::size_t{count} * kEntrySize;
      } else {
        Log().Format("[ERROR]: CFATParser::MoveNextFile() - error reading long name, skip folder - %s",
                     SlotText(Slot(data, q)).c_str());
      }
    }
    if (q + kEntrySize > end) return 0;
    q += kEntrySize;
    if (q >= end || FirstByte(data, q) == fat::kEndOfDirectory) return 0;

    find.position = static_cast<std::uint32_t>(q);
    std::size_t tested = q;
    if (IsLiveLongNameSlot(data, q)) {
      std::uint32_t count = 0;
      if (fat::AssembleLongName(data, q, nullptr, count)) {
        const std::size_t shortEntry = q + std::size_t{count} * kEntrySize;
        tested = FirstByte(data, shortEntry) == fat::kDeletedMark ? shortEntry + kEntrySize
                                                                  : shortEntry;
      } else {
        Log().Format("[ERROR]: CFATParser::MoveNextFile() - error reading long name, skip folder - %s",
                     SlotText(Slot(data, q)).c_str());
      }
    }
    if (FirstByte(data, tested) == fat::kDeletedMark && !ScanStarted()) continue;
    return 1;
  }
}

int CFATParser::ReadFindFileData(FindRecord& find, FindData& out) {
  out = FindData{};
  const std::span<const std::uint8_t> data = DirectoryData(find.directory);
  if (!find.HasPosition() || !HasSlot(data, find.position)) return -1;

  std::size_t entryOffset = find.position;
  if (IsLongNameSlot(data, entryOffset)) {
    WString longName;
    std::uint32_t count = 0;
    if (!fat::AssembleLongName(data, entryOffset, &longName, count)) {
      Log().Error("CFATParser::ReadFindFileData() - error reading long name, return -1");
      return -1;
    }
    entryOffset += std::size_t{count} * kEntrySize;
    find.position = static_cast<std::uint32_t>(entryOffset);
    out.fileName = platform::ToNarrow(longName);
    out.alternateFileName = fat::FormatShortName(Slot(data, entryOffset));
  } else {
    out.alternateFileName = fat::FormatShortName(Slot(data, entryOffset));
    out.fileName = out.alternateFileName;
  }
  out.wideFileName = platform::ToWide(out.fileName);
  out.wideAlternateFileName = platform::ToWide(out.alternateFileName);

  LeReader entry(Slot(data, entryOffset));
  out.attributes = entry.U8(fat::entry::kAttributes) & fat::kAttrKept;
  out.lastWriteTime = fat::DosTimeToUtc(entry.U16(fat::entry::kWriteDate), entry.U16(fat::entry::kWriteTime));
  out.creationTime = fat::DosTimeToUtc(entry.U16(fat::entry::kCreationDate),
                                       entry.U16(fat::entry::kCreationTime));
  out.lastAccessTime = fat::DosTimeToUtc(entry.U16(fat::entry::kAccessDate), 0);
  return 0;
}

int CFATParser::IsDirectory(const FindRecord& find) {
  const std::optional<std::size_t> shortEntry = ShortEntryOffset(find);
  if (!shortEntry) {
    Log().Error("CFATParser::IsDirectory() - error reading long name, return FALSE");
    return 0;
  }
  const std::span<const std::uint8_t> data = DirectoryData(find.directory);
  return (data[*shortEntry + fat::entry::kAttributes] & fat::kAttrDirectory) != 0 ? 1 : 0;
}

int CFATParser::GetLongName(const FindRecord& find, std::string& out) {
  const std::span<const std::uint8_t> data = DirectoryData(find.directory);
  if (!find.HasPosition() || !HasSlot(data, find.position)) return 0;
  if (IsLongNameSlot(data, find.position)) {
    WString name;
    std::uint32_t count = 0;
    const bool ok = fat::AssembleLongName(data, find.position, &name, count);
    out = platform::ToNarrow(name);
    return ok ? 1 : 0;
  }
  out = fat::FormatShortName(Slot(data, find.position));
  return 1;
}

int CFATParser::GetShortName(const FindRecord& find, std::string& out) {
  const std::optional<std::size_t> shortEntry = ShortEntryOffset(find);
  if (!shortEntry) return -1;
  out = fat::FormatShortName(Slot(DirectoryData(find.directory), *shortEntry));
  return 0;
}

std::uint32_t CFATParser::EntryAttributes(const FindRecord& find) {
  const std::optional<std::size_t> shortEntry = ShortEntryOffset(find);
  if (!shortEntry) return 0xFFFFFFFFu;
  return GetFirstCluster(Slot(DirectoryData(find.directory), *shortEntry));
}

DirectoryHandle CFATParser::OpenDirectory(DirectoryHandle directory, const std::string& name) {
  // FindFile opens the entry with OpenDirectoryByRef, which reads its data
  // and closes the handle itself when that fails.
  return FindFile(directory, name, true);
}

void CFATParser::LogDirectorySize(DirectoryHandle directory) {
  const OpenDirectoryRecord* record = GetDirectoryRecord(directory);
  Log().Format("dir data size: %u", record ? record->DataSize() : 0u);
}

int CFATParser::ValidateDirectoryData(DirectoryHandle directory, int& count) {
  Log().Message("CFATParser::ValidateDirectoryData - Start validating directory data");
  Log().Format("hDirectory id is -> %d", directory);
  FindRecord find;
  if (!MoveFirstFile(directory, find, 1)) return 1;

  // Positions only move forward, so the walk ends at the end of the data.
  int total = 0;
  int valid = 0;
  do {
    FindData info;
    ReadFindFileData(find, info);
    if (GetEntryWideNameAgain(find, info, nullptr, true) == 0) ++valid;
    ++total;
  } while (MoveNextFile(find, 1));
  Log().Message("CFATParser::ValidateDirectoryData - Data validation in directory finished with success");

  count = total;
  if (total != 0 && valid == 0) {
    Log().Error("No files found in directory");
    return -1;
  }
  return valid;
}

int CFATParser::ReadDirectoryData(DirectoryHandle directory) {
  auto* record = DirectoryRecordAs<FatDirectoryRecord>(directory);
  if (!record) return -1;
  if (record->opened) {
    const FatOpenedEntry& opened = *record->opened;
    if (opened.allocatedBytes > kMaxDirectoryBytes) return -1;
    if ((opened.Attributes() & fat::kAttrDirectory) != 0 && !opened.extents.empty()) {
      Log().Message("ReadDirectoryData - IsDirectory verified");
      std::vector<std::uint8_t> data;
      if (ReadDataStream(opened, data) != 0) return 3;
      record->data = std::move(data);
      record->isDirectory = true;
    }
  }
  Log().Message("ReadDirectoryData - not a directory");
  return record->data.empty() ? -1 : 0;
}

}  // namespace tv
