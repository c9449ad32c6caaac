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

int CFATParser::CopyRecoveryClusters(const TreeNode& node, platform::FileHandle target) {
  std::vector<std::uint32_t> clusters;
  if (RecoveryClusterList(node, clusters) != 0) return kRecoverStopped;
  PrepareRecoveryBuffer();
  const std::uint64_t clusterBytes = ClusterBytes();
  // The 32-bit size of the directory entry.
  std::uint64_t remaining = static_cast<std::uint32_t>(node.size);
  std::size_t next = 0;
  bool stopped = false;
  while (remaining > 0 && next < clusters.size() && !stopped) {
    // Every cluster keeps its slot in the buffer whether or not it could be
    // read: an unreadable one stays zeros, so the clusters after it are
    // written at their own offsets.
    std::fill(m_recoveryBuffer.begin(), m_recoveryBuffer.end(), std::uint8_t{0});
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
      if (ReadClusterRun(clusters[next], 1, place) != kReadOk) {
        Log().Format("Cluster %u could not be read completely; zeros stand in for it", clusters[next]);
      }
      gathered += clusterBytes;
    }
    const auto bytes = static_cast<std::uint32_t>(std::min(gathered, remaining));
    if (WriteRecoveredBytes(target, m_recoveryBuffer.data(), bytes) == WriteOutcome::DiskFull) {
      return kRecoverDiskFull;
    }
    remaining -= bytes;
  }
  return stopped ? kRecoverStopped : kRecoverDone;
}

int CFATParser::RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders,
                            int /*nesting*/, int renameMode, const WString* /*wideFolder*/) {
  if (const auto early = CheckRecoveryEntry(node)) return *early;
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
      return kRecoverNotFound;
    }
    // A missing destination folder is reported as such, not as a success.
    DestinationFile destination = CreateDestinationFile(target, folder, renameMode, kRecoverPathMissing);
    if (destination.result != kRecoverDone) return destination.result;
    SetRecoveredFileTimes(destination.handle, node);
    const int copied = CopyRecoveryClusters(node, destination.handle);
    SetRecoveredFileTimes(destination.handle, node);
    platform::CloseFile(destination.handle);
    if (copied != kRecoverDone) return copied;  // a partial file stays
    files += 1;
    Log().Message("File was successfully recovered");
    return kRecoverDone;
  } catch (const std::exception&) {
    Log().Error("!!!---Error while recovering---!!!");
    return kRecoverNothingDone;
  }
}

}  // namespace tv
