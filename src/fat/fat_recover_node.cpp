// The FAT variant of RecoverNode: the data is read cluster by cluster from
// the node's recovery cluster list into a buffer of 500 clusters and written
// out a buffer at a time.
#include <algorithm>
#include <cstring>
#include <exception>

#include "fat/fat_parser.h"
#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/recovery_output.h"

namespace tv {

void CFATParser::PrepareRecoveryBuffer() {
  const std::size_t bytes = std::size_t{ClusterBytes()} * kRecoveryBufferClusters;
  if (m_recoveryBuffer.size() != bytes) m_recoveryBuffer.assign(bytes, 0);
}

void CFATParser::CopyRecoveryClusters(const TreeNode& node, platform::FileHandle target, FileCopy& copy) {
  std::vector<std::uint32_t> clusters;
  if (RecoveryClusterList(node, clusters) != 0) {
    copy.end = FileCopy::End::Stopped;
    return;
  }
  PrepareRecoveryBuffer();
  const std::uint64_t clusterBytes = ClusterBytes();
  const std::uint64_t sectorsPerCluster = clusterBytes / kSectorSize;
  std::uint64_t remaining = copy.size;
  std::size_t next = 0;
  bool stopped = false;
  while (remaining > 0 && next < clusters.size() && !stopped) {
    // Every cluster keeps its slot in the buffer whether or not it could be
    // read: an unreadable one stays zeros, so the clusters after it are
    // written at their own offsets.
    std::uint64_t gathered = 0;
    for (std::size_t slot = 0; slot < kRecoveryBufferClusters && next < clusters.size() && gathered < remaining;
         ++slot, ++next) {
      // On a stop the clusters already read are still written: the partial
      // file then holds everything read so far.
      if (BreakRequested()) {
        stopped = true;
        break;
      }
      std::uint8_t* place = m_recoveryBuffer.data() + slot * clusterBytes;
      const std::uint64_t fileOffset = copy.written + gathered;
      const std::uint32_t cluster = clusters[next];
      const int result = cluster >= 2 ? ReadSectorsNoting((cluster - 2) * sectorsPerCluster, place,
                                                          static_cast<std::uint32_t>(sectorsPerCluster),
                                                          copy.unreadable, fileOffset)
                                      : kReadSectorFailed;
      if (cluster < 2) {
        std::fill(place, place + clusterBytes, std::uint8_t{0});
        copy.unreadable.Add(fileOffset, clusterBytes);
      }
      if (result != kReadOk) {
        Log().Format("Cluster %u could not be read completely; zeros stand in for it", cluster);
      }
      gathered += clusterBytes;
    }
    const auto bytes = static_cast<std::uint32_t>(std::min(gathered, remaining));
    if (!WriteRecoveredBytes(target, m_recoveryBuffer.data(), bytes, copy)) return;
    remaining -= bytes;
  }
  if (stopped) copy.end = FileCopy::End::Stopped;
  // The cluster list always covers the size, so bytes remain only when the
  // file system could name no cluster for them.
  if (remaining > 0 && !stopped) copy.unreadable.Add(copy.size - remaining, remaining);
}

int CFATParser::RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders,
                            int /*nesting*/, int renameMode, const WString* /*wideFolder*/) {
  if (const auto early = CheckRecoveryEntry(*this, node)) return *early;
  try {
    Log().Format("recovering node %s.", node.name.c_str());
    Log().Format("node key is %u", node.key);
    Log().Format("node size is %u", static_cast<std::uint32_t>(node.size));
    Log().Format("destination directory: %s", folder.c_str());
    Log().Message("Name successfully chosen ");
    Log().Message("Node path was successfully detected ", node.FolderPath().c_str());
    const std::string target = RecoveryTarget(folder, node.name);
    Log().Message("Current path for recover was successfully generated ", target.c_str());
    if (node.IsDirectory()) return RecoverFolder(*this, node, target, files, folders, renameMode, true);

    Log().Message("File detected. Processing..");
    if (ClusterBytes() == 0) {
      Log().Message("Can't find file.");
      RecoveryProblem problem;
      problem.kind = RecoveryProblemKind::NotFound;
      problem.size = node.size;
      ReportRecoveryProblem(*this, node, std::move(problem));
      return kRecoverNotFound;
    }
    // A missing destination folder is reported as such, not as a success.
    DestinationFile destination = CreateDestinationFile(target, folder, renameMode, kRecoverPathMissing);
    if (destination.result != kRecoverDone) {
      ReportNotCreated(*this, node, target, destination);
      return destination.result;
    }
    FileCopy copy;
    copy.size = static_cast<std::uint32_t>(node.size);  // the 32-bit size of the directory entry
    CopyRecoveryClusters(node, destination.handle, copy);
    const int result = FinishRecoveredFile(*this, node, destination, copy, files);
    if (result == kRecoverDone) Log().Message("File was successfully recovered");
    return result;
  } catch (const std::exception&) {
    Log().Error("!!!---Error while recovering---!!!");
    return kRecoverNothingDone;
  }
}

}  // namespace tv
