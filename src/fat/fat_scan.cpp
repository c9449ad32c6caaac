// The deleted-entry scan of a FAT volume: a walk of the directory tree from
// the root that takes deleted entries along with live ones and descends into
// every directory entry whose first cluster still holds directory content.
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "disk/le_reader.h"
#include "fat/fat_parser.h"
#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/progress.h"

namespace tv {
namespace {

constexpr char kDotName[] = ".       ";
constexpr char kDotDotName[] = "..      ";

// A directory's clusters begin with its "." and ".." entries; anything else
// means the clusters were reused since (or never held a directory).
bool HoldsDirectoryContent(std::span<const std::uint8_t> data) {
  if (data.size() < 2 * fat::kEntrySize) return false;
  const bool dot = (data[fat::entry::kAttributes] & fat::kAttrDirectory) != 0 &&
                   std::memcmp(data.data(), kDotName, fat::entry::kNameLength) == 0;
  const bool dotDot = std::memcmp(data.data() + fat::kEntrySize, kDotDotName, fat::entry::kNameLength) == 0;
  return dot && dotDot;
}

// True when `node` is `folder` or one of its ancestors.
bool IsSelfOrAncestor(const TreeNode* node, const TreeNode* folder) {
  for (const TreeNode* at = folder; at != nullptr; at = at->parent) {
    if (at == node) return true;
  }
  return false;
}

}  // namespace

int CFATParser::ScanDirectoryTree() {
  if (!m_bVolumeReady || m_hRootDirectory < 0) {
    Log().Error("FAT volume was not prepared; the directory tree cannot be built");
    return -1;
  }
  std::unordered_set<std::uint32_t> visited{m_nRootId};
  return PrepareDirectoryAndFilesTree(m_root, 1.0, 100.0, visited, m_hRootDirectory, 0);
}

int CFATParser::PrepareDirectoryAndFilesTree(TreeNode& parent, double progressFrom,
                                             double progressTo,
                                             std::unordered_set<std::uint32_t>& visited,
                                             DirectoryHandle directory, int depth) {
  const std::string indent(static_cast<std::size_t>(depth) * 3, ' ');
  const char* in = indent.c_str();
  const int count = CountWalkEntries(directory, depth, in);
  if (count == 0) return kScanNoEntries;
  if (BreakRequested()) return kScanStopped;

  const double step = (progressTo - progressFrom) / (count + 1);
  double position = progressFrom;
  int lastShown = 0;
  int added = 0;

  FindRecord find;
  FindData info;
  if (!FindFirstWalkEntry(directory, find, info, in)) return 0;
  Log().Format("%sDirectory Files processing started...", in);
  do {
    if (BreakRequested()) {
      CloseObject(directory);
      return kScanStopped;
    }
    position += step;
    if (static_cast<int>(std::floor(position)) != lastShown) {
      lastShown = static_cast<int>(std::floor(position));
      ReportProgress(static_cast<unsigned>(lastShown));
    }
    WalkEntry(parent, directory, find, info, position, position + step, visited, depth, indent, added);
  } while (FindNextWalkEntry(find, info));
  Log().Message("Closing file info");
  CloseObject(directory);
  return added > 0 ? 0 : kScanNoEntries;
}

int CFATParser::CountWalkEntries(DirectoryHandle directory, int depth, const char* in) {
  Log().Format("%sDirectory %d validating.", in, directory);
  if (depth > kMaxDirectoryDepth) {
    Log().Format("%sDirectory nested deeper than %d levels. Skipped.", in, kMaxDirectoryDepth);
    return 0;
  }
  int count = 0;
  ValidateDirectoryData(directory, count);
  if (count == 0) return 0;
  Log().Format("%sDirectory validated. Files Count in Directory %d.", in, count);
  return count;
}

bool CFATParser::FindFirstWalkEntry(DirectoryHandle directory, FindRecord& find, FindData& info,
                                    const char* in) {
  Log().Format("%sTrying to find first file...", in);
  const bool haveFind = MoveFirstFile(directory, find, 1) != 0 && ReadFindFileData(find, info) == 0;
  if (haveFind) {
    if (OpenDirectoryRecord* record = GetDirectoryRecord(directory)) ++record->useCount;
  }
  Log().Format("%sFirst file handle: 0x%Xh, data structure handle: 0x%Xh.", in,
               haveFind ? static_cast<unsigned>(directory) : 0xFFFFFFFFu, find.position);
  return haveFind;
}

bool CFATParser::FindNextWalkEntry(FindRecord& find, FindData& info) {
  // Positions only move forward, so this ends at the end of the directory.
  while (MoveNextFile(find, 1)) {
    if (ReadFindFileData(find, info) == 0) return true;
  }
  return false;
}

void CFATParser::WalkEntry(TreeNode& parent, DirectoryHandle directory, FindRecord& find,
                           const FindData& info, double from, double to,
                           std::unordered_set<std::uint32_t>& visited, int depth,
                           const std::string& indent, int& added) {
  const char* in = indent.c_str();
  if (info.fileName == "." || info.fileName == "..") {
    Log().Format("%sDirectory [%s]  - skipped", in, info.fileName.c_str());
    return;
  }
  Log().Format("%sValidating file reference...", in);
  std::string name;
  const int code = GetEntryName(find, info, &name, false);
  const std::optional<std::size_t> shortEntry = ShortEntryOffset(find);
  if (code != 0 || !shortEntry) {
    Log().Format("%sFile reference is not valid. - skipped, return code = %u", in, static_cast<unsigned>(code));
    return;
  }
  const std::span<const std::uint8_t> entry = DirectoryData(directory).subspan(*shortEntry, fat::kEntrySize);
  const std::uint32_t cluster = GetFirstCluster(entry);
  if (cluster >= LastCluster()) {
    Log().Format("PrepareDirectoryAndFilesTree: m_nLastCluster -> %u", LastCluster());
    Log().Format("PrepareDirectoryAndFilesTree: clustNmb -> %u", cluster);
    return;
  }
  Log().Format("%sFile reference cluster number %d.", in, static_cast<int>(cluster));
  LeReader fields(entry);
  const bool deleted = fields.U8(fat::entry::kName) == fat::kDeletedMark || parent.deleted != 0;
  if ((fields.U8(fat::entry::kAttributes) & fat::kAttrDirectory) != 0) {
    WalkDirectoryEntry(parent, find, info, cluster, deleted, from, to, visited, depth, indent, added);
  } else {
    Log().Format("%s--- File: %s ", in, info.fileName.c_str());
    AddFileNode(parent, entry, info, cluster, deleted);
    ++added;
  }
}

void CFATParser::AddFileNode(TreeNode& parent, std::span<const std::uint8_t> entry, const FindData& info,
                             std::uint32_t cluster, bool deleted) {
  auto node = std::make_unique<TreeNode>(cluster, info.fileName, info.attributes, deleted ? 1 : 0);
  node->modifiedTime = info.lastWriteTime;
  node->creationTime = info.creationTime;
  node->size = LeReader(entry).U32(fat::entry::kFileSize);
  if (deleted) node->damageLevel = EstimateDamageLevel(*node);
  node->parent = &parent;
  AppendChild(parent, std::move(node));
}

void CFATParser::WalkDirectoryEntry(TreeNode& parent, const FindRecord& find, const FindData& info,
                                    std::uint32_t cluster, bool deleted, double from, double to,
                                    std::unordered_set<std::uint32_t>& visited, int depth,
                                    const std::string& indent, int& added) {
  const char* in = indent.c_str();
  Log().Format("%s--- Directory: [%s] ", in, info.fileName.c_str());
  const DirectoryHandle sub = OpenDirectoryByRef(find);
  if (sub == kInvalidHandle) return;
  Log().Message("Handle for directory was created. Handle is", sub);

  if (!HoldsDirectoryContent(DirectoryData(sub))) {
    Log().Message("Detected clusters do not contain directory content. Skipped.");
    CloseObject(sub);
    return;
  }
  Log().Message("Directory clusters were validated.");
  Log().Format("%s<<< Start [%s] directory processing. Handle: %d", in, info.fileName.c_str(), sub);

  const bool mirror = visited.count(cluster) != 0;
  if (mirror) Log().Format("%s>>> Mirror detected on cluster %d. Directory skipped.", in, static_cast<int>(cluster));
  visited.insert(cluster);

  auto node = std::make_unique<TreeNode>(cluster, info.fileName, info.attributes, deleted ? 1 : 0);
  node->modifiedTime = info.lastWriteTime;
  node->creationTime = info.creationTime;
  ++added;

  TreeNode* placed = nullptr;
  bool replaced = false;
  TreeNode* earlier = mirror && cluster >= 2 ? FindDescendantByKey(m_root, cluster) : nullptr;
  if (!earlier) {
    node->parent = &parent;
    placed = AppendChild(parent, std::move(node));
  } else if (IsSelfOrAncestor(earlier, &parent)) {
    // The entry leads back to a folder that encloses it: the volume's
    // folders form a loop, which a tree cannot hold.
    Log().Format("%s>>> Directory loops back to cluster %d. Skipped.", in, static_cast<int>(cluster));
  } else if (node->creationTime > earlier->creationTime) {
    Log().Message("Currently parsing directory is a newer mirror of ", earlier->name.c_str());
    // The earlier node leaves the tree (and is freed here) and hands its
    // already walked children to the new one.
    replaced = MoveChildren(*node, *earlier) != nullptr;
    node->parent = &parent;
    placed = AppendChild(parent, std::move(node));
  }

  // A node that replaced its mirror has that mirror's walked children; an
  // older mirror that stays out of the tree is not walked again, since its
  // clusters were walked when its first entry was met.
  if (placed && !replaced) {
    const int result = PrepareDirectoryAndFilesTree(*placed, from, to, visited, sub, depth + 1);
    if (result == 0) Log().Format("%s>>>Accomplished [%s] directory processing.", in, info.fileName.c_str());
  }
  CloseObject(sub);
}

}  // namespace tv
