// File handles of NTFS files, live or deleted: opening a record as a file,
// and reading its resident or non-resident data (sparse runs as zeros, a
// compressed file from its expanded scratch copy).
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <exception>
#include <limits>

#include "log/log.h"
#include "ntfs/ntfs_parser.h"
#include "platform/errors.h"
#include "platform/folders.h"

namespace tv {

using namespace ntfs;

namespace {

// Longest piece of whole sectors read in one drive call (32 MiB).
constexpr std::uint32_t kMaxSectorsPerPiece = 65536;

std::uint64_t SaturatingMultiply(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return std::numeric_limits<std::uint64_t>::max();
  return a * b;
}

// Keeps the size the record claims when the volume holds less of the file:
// the recovery then says that the file ends early.
void NoteClaimedSize(CMFTRecord& record, std::uint64_t claimed) {
  const auto kept = static_cast<std::uint64_t>(std::max<std::int64_t>(record.m_nFileSize, 0));
  record.m_nClaimedSize = claimed > kept ? claimed : 0;
}

}  // namespace

void CNTFSParser::PrepareFileData(CMFTRecord& record, bool logSteps) {
  const std::uint16_t data = record.Data();
  if (data != CMFTRecordBase::kAbsent && record.IsNonResident(data)) {
    if (logSteps) Log().Message("Try to extract run list");
    record.ExtractRunList(data, record.m_runList);
    if (logSteps) Log().Message("End of extract run list");
    const std::uint64_t claimed = record.AttributeReader(data).U64(attr::kDataSize) & kSizeMask;
    record.m_nFileSize = record.SizeWithinRuns(claimed, record.m_runList);
    NoteClaimedSize(record, claimed);
    record.m_bHasData = true;
  } else if (data != CMFTRecordBase::kAbsent) {
    LeReader attribute = record.AttributeReader(data);
    const std::uint16_t valueOffset = attribute.U16(attr::kValueOffset);
    const std::uint32_t valueLength = attribute.U32(attr::kValueLength);
    // A value that runs past the record keeps the bytes the record holds.
    const std::span<const std::uint8_t> bytes = attribute.data();
    const std::size_t start = std::min<std::size_t>(valueOffset, bytes.size());
    record.m_residentData = bytes.subspan(start, std::min<std::size_t>(valueLength, bytes.size() - start));
    record.m_nFileSize = static_cast<std::int64_t>(record.m_residentData.size());
    NoteClaimedSize(record, valueLength);
    record.m_bHasData = true;
  } else if (record.AttributeList() != CMFTRecordBase::kAbsent) {
    if (logSteps) Log().Message("Try to extract attribute list");
    CMFTRecord::ListOutput output;
    output.runs = &record.m_runList;
    record.ExtractAttrFromAttrList(kAttrData, output);
    if (logSteps) Log().Message("End of extract attribute list");
    record.m_nFileSize = record.SizeWithinRuns(output.dataSize, record.m_runList);
    NoteClaimedSize(record, output.dataSize & kSizeMask);
    record.m_bHasData = output.sizesFound || !record.m_runList.empty();
  } else {
    record.m_nFileSize = 0;
  }
  if (record.IsCompressed() && !record.m_runList.empty()) {
    if (!logSteps) {
      Log().Message("CNTFSParser::OpenFileByRef() - file is compressed");
      Log().Message("try uncompress to m_szTempPath...");
    }
    const int result = UncompressFile(record);
    if (!logSteps) Log().Message(result == -1 ? "CNTFSParser::OpenFileByRef() - error while uncompressing file" : "ok");
  }
}

DirectoryHandle CNTFSParser::OpenFileByRef(const FindRecord& find) {
  try {
    NtfsOpenRecord* directory = OpenRecord(find.directory);
    if (directory == nullptr || !find.HasPosition() || find.position >= directory->data.size()) return kInvalidHandle;
    LeReader entry(std::span<const std::uint8_t>(directory->data).subspan(find.position));
    const std::uint32_t number = entry.U32(index_entry::kFileReference);
    const bool isDirectory = IsDirectory(find) != 0;

    auto buffer = std::make_unique<std::uint8_t[]>(kRecordBytes);
    if (ReadMFTRecord(number, buffer.get()) != 0) {
      Log().Message("CNTFSParser::OpenFileByRef() - Reading MFT Record error, can`t proceed file recovering");
      return kInvalidHandle;
    }
    auto record = std::make_unique<CMFTRecord>(buffer.release(), number, true, this);
    if (record->LocateRecordAttributes() != 0) {
      Log().Message("CNTFSParser::OpenFileByRef() - Locating Record Attributes error, can`t proceed file recovering");
      return kInvalidHandle;
    }
    PrepareFileData(*record, false);
    auto open = std::make_unique<NtfsOpenRecord>();
    open->isDirectory = isDirectory;
    open->useCount = 1;
    open->record = std::move(record);
    return InsertDirectoryRecord(std::move(open));
  } catch (const std::exception&) {
    Log().Message("CNTFSParser::OpenFileByRef() - exception");
    return kInvalidHandle;
  }
}

DirectoryHandle CNTFSParser::OpenRecordAsFile(std::unique_ptr<CMFTRecord> record, bool logSteps) {
  Log().Message("Try to locate record attributes");
  if (record->LocateRecordAttributes() != 0) {
    Log().Error("Unable to read file attributes");
    return kInvalidHandle;
  }
  Log().Message("Record attributes were successfully located");
  PrepareFileData(*record, logSteps);
  auto open = std::make_unique<NtfsOpenRecord>();
  open->isDirectory = record->IsDirectory();
  open->useCount = 1;
  open->record = std::move(record);
  Log().Message("Try to insert file record");
  const DirectoryHandle handle = InsertDirectoryRecord(std::move(open));
  Log().Message("File record was inserted");
  return handle;
}

DirectoryHandle CNTFSParser::OpenFileByNode(TreeNode& node) {
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[kRecordBytes]);
  if (!buffer) {
    Log().Message("Unable to allocate memory for opening the file by tree ref");
    return 0;
  }
  Log().Message("Try read mft record..");
  if (ReadMFTRecord(node.key, buffer.get()) != 0) std::memset(buffer.get(), 0, kRecordBytes);
  Log().Message("End of read mft record..");
  Log().Message("Try to open file by mft record");
  return OpenRecordAsFile(std::make_unique<CMFTRecord>(buffer.release(), node.key, true, this), true);
}

bool CNTFSParser::ReadRuns(CMFTRecord& record, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& done) {
  const std::uint64_t clusterBytes = ClusterBytes();
  bool complete = true;
  std::uint8_t bounce[kSectorBytes];
  // Reads `length` bytes at byte `address` of the volume into `out`, which
  // holds the file's bytes from `fileOffset` on: partial sectors through the
  // bounce sector, whole ones straight into the buffer. Unreadable bytes
  // become zeros and are noted in the record's unreadable ranges.
  const auto readBytes = [&](std::uint64_t address, std::uint8_t* out, std::uint64_t length, std::uint64_t fileOffset) {
    std::uint64_t sector = address / kSectorBytes;
    std::uint64_t skip = address % kSectorBytes;
    while (length > 0) {
      const std::uint64_t firstSector = sector;
      int result = kReadOk;
      std::uint64_t piece = 0;
      if (skip != 0 || length < kSectorBytes) {
        piece = std::min<std::uint64_t>(kSectorBytes - skip, length);
        UnreadableRanges sectorGaps;
        result = ReadSectorsNoting(sector, bounce, 1, sectorGaps, 0);
        std::memcpy(out, bounce + skip, static_cast<std::size_t>(piece));
        if (!sectorGaps.Empty()) record.m_unreadable.Add(fileOffset, piece);
        sector += 1;
      } else {
        const std::uint64_t sectors = std::min<std::uint64_t>(length / kSectorBytes, kMaxSectorsPerPiece);
        piece = sectors * kSectorBytes;
        result = ReadSectorsNoting(sector, out, static_cast<std::uint32_t>(sectors), record.m_unreadable, fileOffset);
        sector += sectors;
      }
      if (result != kReadOk) {
        complete = false;
        Log().Format("CNTFSParser::ReadFile() - record %u: sectors %" PRIu64 " to %" PRIu64
                     " could not all be read; zeros stand in for the unreadable ones",
                     record.Number(), firstSector, sector - 1);
      }
      skip = 0;
      out += piece;
      fileOffset += piece;
      length -= piece;
    }
  };

  done = 0;
  const RunList& runs = record.m_runList;
  while (done < count) {
    if (record.m_nRunIndex >= runs.size()) {
      // The run list ends before the file does: the rest is not on the volume.
      Log().Format("CNTFSParser::ReadFile() - record %u: the run list ends at byte %" PRIu64 " of the file",
                   record.Number(), record.m_nPosition);
      // Zeros stand in for it, all at once rather than sector by sector.
      std::memset(buffer + done, 0, count - done);
      record.m_unreadable.Add(record.m_nPosition, count - done);
      record.m_nPosition += count - done;
      done = count;
      return false;
    }
    const Run& run = runs[record.m_nRunIndex];
    const std::uint64_t runBytes = SaturatingMultiply(run.length, clusterBytes);
    if (record.m_nRunOffset >= runBytes) {
      ++record.m_nRunIndex;
      record.m_nRunOffset = 0;
      continue;
    }
    const std::uint64_t take = std::min<std::uint64_t>(runBytes - record.m_nRunOffset, count - done);
    if (run.IsSparse()) {
      std::memset(buffer + done, 0, static_cast<std::size_t>(take));
    } else {
      const std::uint64_t start = SaturatingMultiply(run.lcn, clusterBytes);
      if (start == std::numeric_limits<std::uint64_t>::max()) {
        std::memset(buffer + done, 0, static_cast<std::size_t>(take));
        record.m_unreadable.Add(record.m_nPosition, take);
        complete = false;
      } else {
        readBytes(start + record.m_nRunOffset, buffer + done, take, record.m_nPosition);
      }
    }
    done += static_cast<std::uint32_t>(take);
    record.m_nPosition += take;
    record.m_nRunOffset += take;
  }
  return complete;
}

int CNTFSParser::ReadFile(DirectoryHandle file, void* buffer, std::uint32_t count, std::uint32_t& countRead) {
  countRead = 0;
  NtfsOpenRecord* open = OpenRecord(file);
  if (open == nullptr || !open->record) {
    platform::SetLastError(err::kInvalidHandle);
    return 0;
  }
  CMFTRecord& record = *open->record;
  try {
    if (record.IsCompressed() && !record.m_runList.empty()) {
      if (record.m_hScratch == platform::kInvalidFile) return 0;
      const bool read = platform::ReadFile(record.m_hScratch, buffer, count, &countRead);
      return read && !record.m_bDataDamaged ? 1 : 0;
    }
    if (!record.m_bHasData) return 0;
    if (record.m_residentData.empty() && record.m_runList.empty() && record.m_nFileSize > 0) return 0;
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(record.m_nFileSize, 0));
    const std::uint64_t left = size > record.m_nPosition ? size - record.m_nPosition : 0;
    const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, left));
    if (wanted == 0) return 1;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (!record.IsNonResident(record.Data()) && record.Data() != CMFTRecordBase::kAbsent) {
      std::memcpy(out, record.m_residentData.data() + record.m_nPosition, wanted);
      record.m_nPosition += wanted;
      countRead = wanted;
      return 1;
    }
    const bool complete = ReadRuns(record, out, wanted, countRead);
    return complete ? 1 : 0;
  } catch (const std::exception&) {
    Log().Error("CNTFSParser::ReadFile() - unhandled exception in CMFTRecord::ReadFile()!");
    return 0;
  }
}

int CNTFSParser::SeekFile(DirectoryHandle file, std::uint64_t position) {
  NtfsOpenRecord* open = OpenRecord(file);
  if (open == nullptr || !open->record) return 0;
  CMFTRecord& record = *open->record;
  if (record.IsCompressed() && !record.m_runList.empty()) {
    return record.m_hScratch != platform::kInvalidFile && platform::SeekFile(record.m_hScratch, position) ? 1 : 0;
  }
  record.m_nPosition = position;
  record.m_nRunIndex = 0;
  record.m_nRunOffset = position;
  const std::uint64_t clusterBytes = ClusterBytes();
  while (record.m_nRunIndex < record.m_runList.size()) {
    const std::uint64_t runBytes = SaturatingMultiply(record.m_runList[record.m_nRunIndex].length, clusterBytes);
    if (record.m_nRunOffset < runBytes) break;
    record.m_nRunOffset -= runBytes;
    ++record.m_nRunIndex;
  }
  return 1;
}

std::uint32_t CNTFSParser::GetFileSize(DirectoryHandle file, std::int32_t& high) {
  high = 0;
  NtfsOpenRecord* open = OpenRecord(file);
  if (open == nullptr || !open->record) return 0;
  const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(open->record->m_nFileSize, 0));
  high = static_cast<std::int32_t>(size >> 32);
  if (high < 0) Log().Message("CNTFSParser::GetFileSize () - Not Correct File Size...");
  return static_cast<std::uint32_t>(size);
}

int CNTFSParser::CloseObject(DirectoryHandle handle) {
  OpenDirectoryRecord* open = GetDirectoryRecord(handle);
  if (open == nullptr) return 0;
  if (open->useCount > 0) --open->useCount;
  const int left = static_cast<int>(open->useCount);
  if (left == 0) TakeDirectoryRecord(handle);
  return left;
}

void CNTFSParser::ReleaseDirectoryData(DirectoryHandle directory) {
  if (NtfsOpenRecord* open = OpenRecord(directory)) open->record.reset();
}

}  // namespace tv
