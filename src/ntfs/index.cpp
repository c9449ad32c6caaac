// Directory listings from NTFS indexes: the entries of $INDEX_ROOT and of
// every INDX block of $INDEX_ALLOCATION, kept back to back as the directory's
// data, and the find record that steps through them.
#include <algorithm>
#include <cstring>
#include <new>

#include "log/log.h"
#include "ntfs/ntfs_parser.h"
#include "ntfs/update_sequence.h"
#include "platform/text.h"

namespace tv {

using namespace ntfs;

namespace {

// A directory index larger than this is not one any volume holds (it would
// list tens of millions of names); a run list claiming more is damaged.
constexpr std::uint64_t kMaxIndexAllocationBytes = 1ull << 30;
// Directory data of at most this many bytes holds no named entry.
constexpr std::uint32_t kSmallestDirectoryData = index_entry::kNamedEntryBytes + 1;

std::uint32_t EntryRecordNumber(LeReader& entry, std::size_t at) {
  return entry.U32(at + index_entry::kFileReference);
}

// Walks the entries in [start, end) of `area` and appends the ones for user
// records (number > 15) to `entries`. In an index root, an entry for record
// 0 ends the walk. Every kept entry is whole and long enough for its name,
// so the find operations can step through the data without further checks.
int KeepEntries(std::span<const std::uint8_t> area, std::size_t start, std::size_t end, bool indexRoot,
                std::vector<std::uint8_t>& entries) {
  LeReader reader(area);
  end = std::min(end, area.size());
  std::size_t at = start;
  while (at + index_entry::kHeaderBytes <= end) {
    const std::uint32_t number = EntryRecordNumber(reader, at);
    if (indexRoot && number == 0) break;
    const std::uint16_t length = reader.U16(at + index_entry::kLength);
    const std::uint8_t flags = reader.U8(at + index_entry::kFlags);
    if (length < index_entry::kHeaderBytes || length > end - at) break;
    const bool last = (flags & index_entry::kFlagLast) != 0;
    if (!last && number >= kFirstUserRecord && length >= index_entry::kNamedEntryBytes) {
      const std::size_t nameChars = reader.U8(at + index_entry::kKey + file_name::kNameLength);
      if (index_entry::kNamedEntryBytes + 2 * nameChars <= length) {
        try {
          entries.insert(entries.end(), area.begin() + static_cast<std::ptrdiff_t>(at),
                         area.begin() + static_cast<std::ptrdiff_t>(at + length));
        } catch (const std::bad_alloc&) {
          return kStatusNoMemory;
        }
      }
    }
    if (last) break;
    at += length;
  }
  return 0;
}

}  // namespace

NtfsOpenRecord* CNTFSParser::OpenRecord(DirectoryHandle handle) {
  return DirectoryRecordAs<NtfsOpenRecord>(handle);
}

int CNTFSParser::AppendIndexRoot(CMFTRecord& record, std::uint16_t attribute, std::vector<std::uint8_t>& entries) {
  LeReader header = record.AttributeReader(attribute);
  const std::size_t value = header.U16(attr::kValueOffset);
  const std::span<const std::uint8_t> area = header.data();
  LeReader reader(area);
  const std::size_t node = value + index_root::kNodeHeader;
  const std::size_t start = node + reader.U32(node + index_node::kEntriesOffset);
  const std::size_t end = node + reader.U32(node + index_node::kIndexLength);
  if (!reader.ok()) return 0;
  return KeepEntries(area, start, end, true, entries);
}

int CNTFSParser::ReadIndexBlocks(const RunList& runs, std::uint32_t blockSize, std::vector<std::uint8_t>& entries) {
  const std::uint64_t clusterBytes = ClusterBytes();
  // Clusters beyond the volume read as zeros and hold no block, so an index
  // never takes more clusters than the volume has.
  const std::uint64_t limit = std::min(kMaxIndexAllocationBytes / clusterBytes, TotalClusters());
  std::uint64_t clusters = 0;
  for (const Run& run : runs) {
    if (run.IsSparse() || clusters >= limit) break;
    clusters += std::min(run.length, limit - clusters);
  }
  if (clusters == 0) return 0;
  std::vector<std::uint8_t> buffer;
  try {
    buffer.assign(static_cast<std::size_t>(clusters * clusterBytes), 0);
  } catch (const std::bad_alloc&) {
    return kStatusNoMemory;
  }
  std::uint64_t filled = 0;
  for (const Run& run : runs) {
    if (run.IsSparse() || filled >= clusters) break;
    const std::uint64_t take = std::min(run.length, clusters - filled);
    ReadVolumeClusters(run.lcn, take, buffer.data() + filled * clusterBytes);
    filled += take;
  }

  int status = 0;
  for (std::size_t at = 0; at + blockSize <= buffer.size() && status == 0; at += blockSize) {
    const std::span<std::uint8_t> block(buffer.data() + at, blockSize);
    LeReader reader(block);
    if (reader.U32(record::kSignature) != kSignatureIndx) continue;
    ApplyUpdateSequence(block, m_nBytesPerSector);
    const std::size_t node = index_block::kNodeHeader;
    const std::size_t start = node + reader.U32(node + index_node::kEntriesOffset);
    const std::size_t end = node + reader.U32(node + index_node::kIndexLength);
    status = KeepEntries(block, start, end, false, entries);
  }
  return status;
}

int CNTFSParser::AppendIndexAllocation(CMFTRecord& record, std::uint16_t attribute,
                                       std::vector<std::uint8_t>& entries) {
  if (attribute == CMFTRecordBase::kAbsent || !record.IsNonResident(attribute)) return 0;
  LeReader header = record.AttributeReader(attribute);
  const std::size_t position = record.RunListPosition(attribute) - attribute;
  RunList runs;
  try {
    DecodeRunList(header.data(), position, runs);
  } catch (const std::bad_alloc&) {
    return kStatusNoMemory;
  }
  return ReadIndexBlocks(runs, record.IndexBlockSize(), entries);
}

DirectoryHandle CNTFSParser::OpenRootDirectory() {
  m_bRootListingFailed = false;
  auto buffer = std::make_unique<std::uint8_t[]>(kRecordBytes);
  if (ReadMFTRecord(kRootRecord, buffer.get()) != 0) {
    m_bRootListingFailed = true;
    return kInvalidHandle;
  }
  auto record = std::make_unique<CMFTRecord>(buffer.release(), kRootRecord, true, this);
  if (record->LocateRecordAttributes() != 0) {
    Log().Message("Trying to delete CMFTRecord");
    record.reset();
    Log().Message("CMFTRecord was successfully deleted");
    m_bRootListingFailed = true;
    return kInvalidHandle;
  }
  auto open = std::make_unique<NtfsOpenRecord>();
  open->isDirectory = true;
  open->useCount = 1;
  Log().Message("Start of parsing CMFTRecord");
  if (record->IndexRoot() != CMFTRecordBase::kAbsent) {
    Log().Message("Try to read Index Root");
    AppendIndexRoot(*record, record->IndexRoot(), open->data);
    Log().Message("Index Root was read");
  }
  if (record->IndexAllocation() != CMFTRecordBase::kAbsent) {
    Log().Message("Try to read Index Allocation");
    AppendIndexAllocation(*record, record->IndexAllocation(), open->data);
    Log().Message("Index Allocation was read");
  }
  if (open->data.empty()) {
    m_bRootListingFailed = true;
    return kInvalidHandle;
  }
  Log().Message("CMFTRecord was parsed. Try to insert file record");
  open->record = std::move(record);
  return InsertDirectoryRecord(std::move(open));
}

int CNTFSParser::ReadDirectoryData(DirectoryHandle directory) {
  NtfsOpenRecord* open = OpenRecord(directory);
  if (open == nullptr || !open->record) return 0;
  CMFTRecord& record = *open->record;
  // The data is rebuilt from the index each time, so reading a directory
  // again never lists its entries twice.
  open->data.clear();
  if (record.IndexRoot() != CMFTRecordBase::kAbsent &&
      AppendIndexRoot(record, record.IndexRoot(), open->data) != 0) {
    Log().Error("CNTFSParser::ReadDirectoryData() - error reading INDEX_ROOT");
  }
  if (record.IndexAllocation() != CMFTRecordBase::kAbsent &&
      AppendIndexAllocation(record, record.IndexAllocation(), open->data) != 0) {
    Log().Error("CNTFSParser::ReadDirectoryData() - error reading INDEX_ALLOCATION");
  }
  if (record.AttributeList() != CMFTRecordBase::kAbsent) {
    CMFTRecord::ListOutput output;
    output.indexEntries = &open->data;
    if (record.ExtractAttrFromAttrList(kAttrIndexAllocation, output) != 0) {
      Log().Error("CNTFSParser::ReadDirectoryData() - error reading INDEX_ALLOCATION in attr. list");
    }
  }
  return 0;
}

DirectoryHandle CNTFSParser::OpenDirectory(DirectoryHandle directory, const std::string& name) {
  Log().Format("CNTFSParser::OpenDirectory(%s) - IN", name.c_str());
  // FindFile opens the directory with its data read once; reading it again
  // here would only repeat that work.
  const DirectoryHandle handle = FindFile(directory, name, true);
  if (handle < 0) return kInvalidHandle;
  Log().Message("CNTFSParser::OpenDirectory() - OUT");
  return handle;
}

namespace {

// The kept entry at `position` of a directory's data; the keeping rules
// guarantee that its header and its name lie inside the data.
LeReader EntryAt(const OpenDirectoryRecord& open, std::uint32_t position) {
  if (position >= open.data.size()) return LeReader();
  return LeReader(std::span<const std::uint8_t>(open.data).subspan(position));
}

std::uint8_t EntryNameLength(LeReader entry) { return entry.U8(index_entry::kKey + file_name::kNameLength); }
std::uint8_t EntryNamespace(LeReader entry) { return entry.U8(index_entry::kKey + file_name::kNamespace); }

WString EntryWideName(LeReader entry) {
  const std::size_t length = EntryNameLength(entry);
  WString name(length, u'\0');
  for (std::size_t i = 0; i < length; ++i) {
    name[i] = static_cast<WChar>(entry.U16(index_entry::kKey + file_name::kName + 2 * i));
  }
  return name;
}

}  // namespace

int CNTFSParser::MoveFirstFile(DirectoryHandle directory, FindRecord& find, int skipDosNames) {
  try {
    NtfsOpenRecord* open = OpenRecord(directory);
    if (open == nullptr || !open->isDirectory) {
      Log().Error("CNTFSParser::MoveFirstFile() - this is not a directory!");
      return 0;
    }
    if (open->DataSize() < kSmallestDirectoryData) {
      Log().Message("CNTFSParser::MoveFirstFile() - Directory Data Size is less than size of INDEX_ENTRY.",
                    static_cast<std::int32_t>(open->DataSize()));
      return 0;
    }
    find.directory = directory;
    find.position = 0;
    const LeReader entry = EntryAt(*open, 0);
    if (EntryNameLength(entry) == 0 || (skipDosNames != 0 && EntryNamespace(entry) == kNamespaceDos)) {
      return MoveNextFile(find, skipDosNames);
    }
    return 1;
  } catch (const std::exception&) {
    Log().Message("CNTFSParser::MoveFirstFile() - exception, return FALSE");
    return 0;
  }
}

int CNTFSParser::MoveNextFile(FindRecord& find, int skipDosNames) {
  NtfsOpenRecord* open = OpenRecord(find.directory);
  if (open == nullptr || !find.HasPosition()) return 0;
  for (;;) {
    LeReader entry = EntryAt(*open, find.position);
    const std::uint16_t length = entry.U16(index_entry::kLength);
    if (!entry.ok() || length == 0) return 0;
    const std::uint64_t next = std::uint64_t{find.position} + length;
    if (next >= open->data.size()) return 0;
    find.position = static_cast<std::uint32_t>(next);
    if (skipDosNames == 0) return 1;
    const LeReader current = EntryAt(*open, find.position);
    if (EntryNamespace(current) != kNamespaceDos && EntryNameLength(current) != 0) return 1;
  }
}

int CNTFSParser::IsDirectory(const FindRecord& find) {
  NtfsOpenRecord* open = OpenRecord(find.directory);
  if (open == nullptr) return 0;
  LeReader entry = EntryAt(*open, find.position);
  return (entry.U32(index_entry::kKey + file_name::kAttributes) & file_name::kAttributeDirectory) != 0 ? 1 : 0;
}

std::uint32_t CNTFSParser::EntryAttributes(const FindRecord& find) {
  NtfsOpenRecord* open = OpenRecord(find.directory);
  if (open == nullptr || !find.HasPosition()) return 0xFFFFFFFFu;
  LeReader entry = EntryAt(*open, find.position);
  return entry.U32(index_entry::kKey + file_name::kAttributes);
}

int CNTFSParser::ReadFindFileData(FindRecord& find, FindData& out) {
  NtfsOpenRecord* open = OpenRecord(find.directory);
  if (open == nullptr || !find.HasPosition()) return -1;
  LeReader entry = EntryAt(*open, find.position);
  constexpr std::size_t key = index_entry::kKey;
  out = FindData();
  out.wideFileName = EntryWideName(entry);
  out.fileName = platform::ToNarrow(out.wideFileName);
  out.SetSize(entry.U64(key + file_name::kDataSize));
  out.creationTime = entry.U64(key + file_name::kCreationTime);
  out.lastAccessTime = entry.U64(key + file_name::kAccessTime);
  out.lastWriteTime = entry.U64(key + file_name::kModifiedTime);
  out.attributes = entry.U32(key + file_name::kAttributes);
  if ((out.attributes & file_name::kAttributeDirectory) != 0) out.attributes |= kAttributeDirectory;
  return 0;
}

int CNTFSParser::GetLongName(const FindRecord& find, std::string& out) {
  NtfsOpenRecord* open = OpenRecord(find.directory);
  if (open == nullptr || !find.HasPosition() || find.position >= open->data.size()) return 0;
  out = platform::ToNarrow(EntryWideName(EntryAt(*open, find.position)));
  return 1;
}

int CNTFSParser::GetShortName(const FindRecord&, std::string& out) {
  out.clear();
  return -1;
}

void CNTFSParser::LogDirectorySize(DirectoryHandle directory) {
  NtfsOpenRecord* open = OpenRecord(directory);
  Log().Format("dir data size: %u", open != nullptr ? open->DataSize() : 0u);
}

}  // namespace tv
