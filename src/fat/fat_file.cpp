// Opening entries by reference, reading their clusters, and closing handles.
#include <algorithm>
#include <cstring>
#include <new>

#include "disk/le_reader.h"
#include "fat/fat_names.h"
#include "fat/fat_parser.h"
#include "log/log.h"
#include "platform/text.h"

namespace tv {

DirectoryHandle CFATParser::OpenFileByRef(const FindRecord& find) {
  if (!find.HasPosition()) return kInvalidHandle;
  const std::span<const std::uint8_t> data = DirectoryData(find.directory);
  Log().Message("OpenFileByRef - Start opening file by ref");
  if (find.position > data.size() || data.size() - find.position < fat::kEntrySize) {
    return kInvalidHandle;
  }

  std::string longName;
  std::size_t entryOffset = find.position;
  if (data[entryOffset + fat::entry::kAttributes] == fat::kAttrLongName) {
    WString name;
    std::uint32_t count = 0;
    if (!fat::AssembleLongName(data, entryOffset, &name, count)) {
      Log().Error("CFATParser::OpenFileByRef() - error reading long name, skip file");
      return kInvalidHandle;
    }
    longName = platform::ToNarrow(name);
    entryOffset += std::size_t{count} * fat::kEntrySize;
  }
  Log().Message("CFATParser::OpenFileByRef() - Long name was successfully checked");
  Log().Message("OpenFileByRef - Before creating rec object");
  if (data[entryOffset] == fat::kEndOfDirectory) {
    Log().Message("OpenFileByRef - Main_entry first symbol check failed");
    return kInvalidHandle;
  }

  auto opened = std::make_unique<FatOpenedEntry>();
  std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(entryOffset), fat::kEntrySize,
              opened->entry.begin());
  opened->name = std::move(longName);
  Log().Message("OpenFileByRef - After creating rec object");
  Log().Message("OpenFileByRef - Allocating clusters");

  fat::ExtentList chain = BuildExtentList(GetFirstCluster(opened->entry));
  opened->extents = std::move(chain.extents);
  Log().Message("OpenFileByRef - Clusters were successfully allocated. Clusters count ",
                static_cast<std::int32_t>(chain.clusterCount));
  opened->allocatedBytes = std::uint64_t{ClusterBytes()} * chain.clusterCount;
  const bool isDirectory = (opened->Attributes() & fat::kAttrDirectory) != 0;
  if (!opened->extents.empty() && !isDirectory) {
    LeReader entry(opened->entry);
    opened->dataSize = entry.U32(fat::entry::kFileSize);
  }

  Log().Message("OpenFileByRef - Trying to insert file record");
  auto record = std::make_unique<FatDirectoryRecord>();
  record->isDirectory = isDirectory;
  record->opened = std::move(opened);
  record->useCount = 1;
  return InsertDirectoryRecord(std::move(record));
}

std::uint32_t CFATParser::ReadDataStream(const FatOpenedEntry& opened, std::vector<std::uint8_t>& out,
                                         std::uint64_t* sectorsRead) {
  if (sectorsRead != nullptr) *sectorsRead = 0;
  const std::uint64_t clusterBytes = ClusterBytes();
  std::uint64_t length = 0;
  for (const fat::Extent& extent : opened.extents) {
    if (extent.count > 0) length += static_cast<std::uint64_t>(extent.count) * clusterBytes;
  }
  if (length == 0) return kStreamReadFailed;
  // No chain holds more data than the device; a longer one is damage, and
  // allocating for it could exhaust memory.
  const std::uint64_t deviceBytes = m_pDrive ? m_pDrive->TotalSectors() * kSectorSize : 0;
  if (length > deviceBytes) return kStreamReadFailed;
  try {
    out.assign(static_cast<std::size_t>(length), 0);
  } catch (const std::bad_alloc&) {
    return kStreamReadFailed;
  }
  Log().Message("ReadDataStream - Memory was allocated. Memory size - ",
                static_cast<std::int32_t>(length));

  std::uint64_t offset = 0;
  for (const fat::Extent& extent : opened.extents) {
    if (extent.count <= 0) continue;
    const auto count = static_cast<std::uint64_t>(extent.count);
    // Clusters 0 and 1 do not exist; their bytes stay zero. A read that
    // fails leaves zeros too: the data read around it is still wanted.
    std::uint64_t read = 0;
    if (extent.first >= 2) ReadClusterRun(extent.first, count, out.data() + offset, &read);
    if (sectorsRead != nullptr) *sectorsRead += read;
    offset += count * clusterBytes;
  }
  Log().Message("ReadDataStream - Cluster content was successfully read");
  out.resize(static_cast<std::size_t>(offset));
  return 0;
}

int CFATParser::CloseObject(DirectoryHandle handle) {
  std::unique_ptr<OpenDirectoryRecord> record = TakeDirectoryRecord(handle);
  if (!record) return 0;
  if (record->useCount > 0) --record->useCount;
  return 1;
}

int CFATParser::SeekFile(DirectoryHandle file, std::uint64_t position) {
  auto* record = DirectoryRecordAs<FatDirectoryRecord>(file);
  if (!record || !record->opened) return 0;
  record->opened->position = position;
  return 1;
}

std::uint32_t CFATParser::GetFileSize(DirectoryHandle file, std::int32_t& high) {
  high = 0;
  auto* record = DirectoryRecordAs<FatDirectoryRecord>(file);
  return record && record->opened ? record->opened->dataSize : 0;
}

int CFATParser::ReadFile(DirectoryHandle file, void* buffer, std::uint32_t count,
                         std::uint32_t& countRead) {
  countRead = 0;
  auto* record = DirectoryRecordAs<FatDirectoryRecord>(file);
  if (!record || !record->opened || !buffer) return 0;
  FatOpenedEntry& opened = *record->opened;
  const std::uint64_t clusterBytes = ClusterBytes();
  if (clusterBytes == 0) return 0;

  auto* out = static_cast<std::uint8_t*>(buffer);
  std::vector<std::uint8_t> bounce;
  while (countRead < count && opened.position < opened.dataSize) {
    // The extent that holds the position: on from the last one when reading
    // forward, else from the start.
    const std::uint64_t clusterIndex = opened.position / clusterBytes;
    if (clusterIndex < opened.extentStartCluster) {
      opened.extentIndex = 0;
      opened.extentStartCluster = 0;
    }
    while (opened.extentIndex < opened.extents.size()) {
      const auto length = static_cast<std::uint64_t>(
          std::max<std::int64_t>(opened.extents[opened.extentIndex].count, 0));
      if (clusterIndex < opened.extentStartCluster + length) break;
      opened.extentStartCluster += length;
      ++opened.extentIndex;
    }
    if (opened.extentIndex >= opened.extents.size()) break;  // past the extents

    const fat::Extent& extent = opened.extents[opened.extentIndex];
    const std::uint64_t within = clusterIndex - opened.extentStartCluster;
    const std::uint64_t cluster = extent.first + within;
    const std::uint64_t offset = opened.position % clusterBytes;
    const std::uint64_t inExtent =
        (static_cast<std::uint64_t>(extent.count) - within) * clusterBytes - offset;
    const std::uint64_t wanted = std::min({inExtent, std::uint64_t{opened.dataSize} - opened.position,
                                           std::uint64_t{count - countRead}});
    std::uint64_t done = 0;
    if (offset == 0 && wanted >= clusterBytes) {
      // Whole clusters go straight into the caller's buffer.
      const std::uint64_t clusters = wanted / clusterBytes;
      std::fill_n(out + countRead, static_cast<std::size_t>(clusters * clusterBytes), 0);
      if (cluster >= 2) ReadClusterRun(cluster, clusters, out + countRead);
      done = clusters * clusterBytes;
    } else {
      bounce.assign(static_cast<std::size_t>(clusterBytes), 0);
      if (cluster >= 2) ReadClusterRun(cluster, 1, bounce.data());
      done = std::min(wanted, clusterBytes - offset);
      std::memcpy(out + countRead, bounce.data() + offset, static_cast<std::size_t>(done));
    }
    countRead += static_cast<std::uint32_t>(done);
    opened.position += done;
  }
  return 1;
}

DirectoryHandle CFATParser::OpenFileByNode(TreeNode& node) {
  auto opened = std::make_unique<FatOpenedEntry>();
  std::uint64_t clusters = 0;
  if (RecoveryExtents(node, opened->extents, clusters) != 0) return kInvalidHandle;
  opened->dataSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(node.size, 0xFFFFFFFFu));
  opened->allocatedBytes = std::uint64_t{ClusterBytes()} * clusters;
  opened->name = node.name;
  auto record = std::make_unique<FatDirectoryRecord>();
  record->opened = std::move(opened);
  record->useCount = 1;
  return InsertDirectoryRecord(std::move(record));
}

}  // namespace tv
