// Construction, volume access and the base behaviour of the parser slots.
#include "parser/file_system_parser.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "disk/le_reader.h"
#include "log/log.h"
#include "parser/product_folder.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv {
namespace {

constexpr std::size_t kBytesPerSectorOffset = 11;
constexpr std::size_t kSectorsPerClusterOffset = 13;

// The folder for the parser's scratch files: "qzx_temp" in this program's
// folder when tvcore is installed and that folder can be used, else in the
// system's temporary folder.
std::string MakeScratchFolder() {
  if (const auto product = ProductDataFolder(DefaultTvcorePath(), "GetTempFilesFolder")) {
    std::string folder = platform::JoinPath(*product, "qzx_temp");
    if (platform::CreateDirectoryPath(folder)) return folder;
  }
  std::string folder = platform::JoinPath(platform::TempFolder(), "qzx_temp");
  platform::CreateDirectoryPath(folder);  // an existing folder is fine
  return folder;
}

}  // namespace

CFileSystemParser::CFileSystemParser(std::unique_ptr<CDiskDrive> drive,
                                     std::span<const std::uint8_t> bootSector)
    : m_szScratchFolder(MakeScratchFolder()) {
  AttachVolume(std::move(drive), bootSector);
}

// Records are released before the tree and the drive. A record's destructor
// must not call back into the parser, whose derived part is gone by now.
CFileSystemParser::~CFileSystemParser() { m_directoryTable.clear(); }

void CFileSystemParser::AttachVolume(std::unique_ptr<CDiskDrive> drive,
                                     std::span<const std::uint8_t> bootSector) {
  m_pDrive = std::move(drive);
  if (bootSector.empty()) return;
  m_bootSector.fill(0);
  std::memcpy(m_bootSector.data(), bootSector.data(), std::min(bootSector.size(), kBootSectorSize));
  LeReader boot(m_bootSector);
  m_nBytesPerSector = boot.U16(kBytesPerSectorOffset);
  m_nSectorsPerCluster = boot.U8(kSectorsPerClusterOffset);
}

int CFileSystemParser::OpenVolume() {
  const int result = PrepareVolume();
  const DirectoryHandle root = OpenRootDirectory();
  m_hCurrentDirectory = m_hRootDirectory = root;
  if (root < 0) {
    Log().Error("Root directory handle is -1");
    return -1;
  }
  Log().Message("Root directory handle is ->", root);
  return result;
}

int CFileSystemParser::ReadSectors(std::uint64_t sector, void* buffer, std::uint32_t count,
                                   std::uint32_t& countOut) {
  countOut = 0;
  if (!m_pDrive) return kReadSectorFailed;
  if (sector > std::numeric_limits<std::uint64_t>::max() - m_nVolumeStartSector) return kReadOutOfRange;
  return m_pDrive->ReadSectors(sector + m_nVolumeStartSector, buffer, count, &countOut);
}

int CFileSystemParser::ReadSectorsNoting(std::uint64_t sector, void* buffer, std::uint32_t count,
                                         UnreadableRanges& gaps, std::uint64_t gapOffset) {
  std::uint32_t countOut = 0;
  const int result = ReadSectors(sector, buffer, count, countOut);
  if (result == kReadOk && countOut == count) return result;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  const auto markSectors = [&](std::uint64_t first, std::uint64_t sectors) {
    std::memset(bytes + first * kSectorSize, 0, static_cast<std::size_t>(sectors * kSectorSize));
    gaps.Add(gapOffset + first * kSectorSize, sectors * kSectorSize);
  };
  if (result != kReadOk && result != kReadSectorFailed) {
    markSectors(0, count);
    return result;
  }
  // The drive shortens a read that runs past the end of the volume: what
  // lies beyond is not on the volume at all.
  const std::uint64_t first = sector + m_nVolumeStartSector;
  const std::uint64_t total = m_pDrive->TotalSectors();
  const std::uint64_t onVolume = first < total ? std::min<std::uint64_t>(count, total - first) : 0;
  if (result == kReadSectorFailed) {
    for (const std::uint64_t bad : m_pDrive->LastUnreadableSectors()) {
      if (bad >= first && bad - first < onVolume) markSectors(bad - first, 1);
    }
  }
  if (onVolume < count) markSectors(onVolume, count - onVolume);
  return onVolume < count && result == kReadOk ? kReadSectorFailed : result;
}

int CFileSystemParser::ReadAt(std::uint64_t sector, void* buffer, std::uint32_t count,
                              std::uint32_t& countOut) {
  countOut = 0;
  if (!m_pDrive) return kReadSectorFailed;
  if (sector > std::numeric_limits<std::uint64_t>::max() - m_nVolumeStartSector) return kReadOutOfRange;
  return m_pDrive->ReadAt(sector + m_nVolumeStartSector, buffer, count, &countOut);
}

int CFileSystemParser::ReadClusters(std::uint64_t cluster, void* buffer, std::uint32_t clusterCount,
                                    std::uint32_t& countOut) {
  countOut = 0;
  // A boot sector that claims no sectors per cluster names no readable cluster.
  if (m_nSectorsPerCluster == 0) return kReadSectorFailed;
  const std::uint64_t perCluster = m_nSectorsPerCluster;
  const std::uint64_t sectors = clusterCount * perCluster;
  if (sectors > std::numeric_limits<std::uint32_t>::max()) return kReadOutOfRange;
  if (cluster > std::numeric_limits<std::uint64_t>::max() / perCluster) return kReadOutOfRange;
  std::uint32_t sectorsRead = 0;
  const int result = ReadSectors(cluster * perCluster, buffer,
                                 static_cast<std::uint32_t>(sectors), sectorsRead);
  countOut = static_cast<std::uint32_t>(sectorsRead / perCluster);
  return result;
}

void CFileSystemParser::CountDeletedNodes(const TreeNode& node, std::uint32_t& counter) const {
  tv::CountDeletedNodes(node, counter);
}

// ---- Base behaviour of the virtual slots ----

int CFileSystemParser::ReadDirectoryData(DirectoryHandle) { return 0; }
void CFileSystemParser::ReleaseDirectoryData(DirectoryHandle) {}

int CFileSystemParser::CloseDrive() {
  if (m_pDrive) m_pDrive->Close();
  m_pDrive.reset();
  return 1;
}

void CFileSystemParser::ClearTree() {
  m_root.ClearChildren();
}

void CFileSystemParser::UnusedSlot() {}
void CFileSystemParser::BuildEntryPath(int, int, int) {}
void CFileSystemParser::SortInternalTable() {}
int CFileSystemParser::GetAttributeData() { return 0; }
void CFileSystemParser::ScanDisk() {}
int CFileSystemParser::AssembleDeletedTree(int) { return 0; }

TreeNode::ChildList::iterator CFileSystemParser::FindNodeByKey(TreeNode::ChildList& list,
                                                               std::uint32_t key) {
  return FindChildByKey(list, key);
}

int CFileSystemParser::NewDotEntry(DirectoryHandle) { return -1; }
void CFileSystemParser::RemoveListElement(TreeNode::ChildList&, TreeNode::ChildList::iterator) {}
int CFileSystemParser::GetEntryName(FindRecord&, const FindData&, std::string*, bool) { return -1; }
int CFileSystemParser::GetEntryWideName(FindRecord&, const FindData&, WString*, bool) { return -1; }

int CFileSystemParser::GetEntryWideNameAgain(FindRecord& find, const FindData& info, WString* name,
                                             bool syntaxOnly) {
  return GetEntryWideName(find, info, name, syntaxOnly);
}

int CFileSystemParser::ValidateDirectoryData(DirectoryHandle, int&) { return 0; }
int CFileSystemParser::HasExtraData() { return 0; }
int CFileSystemParser::GetOpenFileName() { return 0; }
int CFileSystemParser::IsMftDamaged() { return 0; }
void CFileSystemParser::LogDirectorySize(DirectoryHandle) {}
DirectoryHandle CFileSystemParser::OpenFileByNode(TreeNode&) { return 0; }
int CFileSystemParser::LoadClusterBitmap() { return 0; }
float CFileSystemParser::GetDamageLevel() { return 0.0f; }
void CFileSystemParser::ResetRunList() {}
int CFileSystemParser::ScanDeletedEntries() { return 0; }
std::string CFileSystemParser::UnreadableStructures() const { return {}; }
std::string CFileSystemParser::MissingStructures() const { return {}; }

}  // namespace tv
