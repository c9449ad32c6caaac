// The base version of RecoverNode, used by the NTFS parser: the entry's data
// comes through the parser's file interface (OpenFileByNode, GetFileSize,
// ReadFile) in chunks of 1 MiB.
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <exception>
#include <vector>

#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/file_system_parser.h"
#include "parser/recovery_output.h"

namespace tv {
namespace {

// The step over data that cannot be read: one sector.
constexpr std::uint32_t kZeroFillUnit = 512;

// Copies the open parser file into the destination. Every byte lands at its
// own offset: where the parser can deliver nothing, one sector of zeros
// stands in and the parser file is moved on past it, so the bytes after an
// unreadable spot keep their places.
int CopyParserFile(CFileSystemParser& parser, DirectoryHandle source, platform::FileHandle target,
                   std::uint64_t size) {
  static std::vector<std::uint8_t> copyBuffer;  // one recovery runs at a time
  if (copyBuffer.size() != kRecoveryChunkBytes) copyBuffer.assign(kRecoveryChunkBytes, 0);
  std::uint64_t offset = 0;
  while (offset < size) {
    if (BreakRequested()) return kRecoverStopped;
    const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(size - offset, kRecoveryChunkBytes));
    std::uint32_t filled = 0;
    while (filled < chunk) {
      std::uint32_t got = 0;
      parser.ReadFile(source, copyBuffer.data() + filled, chunk - filled, got);
      if (got > 0) {
        filled += std::min(got, chunk - filled);
        continue;
      }
      const std::uint32_t gap = std::min(kZeroFillUnit, chunk - filled);
      Log().Format("Nothing could be read at offset %" PRIu64 "; %u zero bytes stand in", offset + filled, gap);
      std::memset(copyBuffer.data() + filled, 0, gap);
      filled += gap;
      parser.SeekFile(source, offset + filled);
    }
    if (WriteRecoveredBytes(target, copyBuffer.data(), chunk) == WriteOutcome::DiskFull) return kRecoverDiskFull;
    offset += chunk;
  }
  return kRecoverDone;
}

int RecoverFile(CFileSystemParser& parser, TreeNode& node, const std::string& folder, const std::string& target,
                int& files, int renameMode) {
  Log().Message("File detected. Processing..");
  Log().Message("Try open file by tree ref..");
  const DirectoryHandle source = parser.OpenFileByNode(node);
  Log().Message("End of open file by tree ref..");
  if (BreakRequested()) {
    if (source >= 0) parser.CloseObject(source);
    return kRecoverStopped;
  }
  // 0 is a real handle once the table's first slot is free again (a scan may
  // close the root directory), so "not found" is a handle without a record.
  if (source < 0 || parser.GetDirectoryRecord(source) == nullptr) {
    Log().Message("Can't find file.");
    return kRecoverNotFound;
  }

  DestinationFile destination = CreateDestinationFile(target, folder, renameMode, kRecoverPathMissing);
  if (destination.result != kRecoverDone) {
    parser.CloseObject(source);
    return destination.result;
  }
  SetRecoveredFileTimes(destination.handle, node);

  std::int32_t high = 0;
  const std::uint32_t low = parser.GetFileSize(source, high);
  const std::uint64_t size = high < 0 ? 0 : (static_cast<std::uint64_t>(high) << 32) | low;
  Log().Format("Recovering file size[bytes]: %" PRIu64, size);
  Log().Message("Starting recovery loop");
  const int copied = CopyParserFile(parser, source, destination.handle, size);
  // The times again: writing the data moved the modification time.
  SetRecoveredFileTimes(destination.handle, node);
  parser.CloseObject(source);
  platform::CloseFile(destination.handle);
  if (copied != kRecoverDone) return copied;  // a partial file stays
  files += 1;
  Log().Message("File recovering finished");
  return kRecoverDone;
}

}  // namespace

int CFileSystemParser::RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders,
                                   int /*nesting*/, int renameMode, const WString* /*wideFolder*/) {
  if (const auto early = CheckRecoveryEntry(node)) return *early;
  Log().Format("recovering node %s.", node.name.c_str());
  Log().Format("node cluster is %u", node.key);
  Log().Format("node size is %u", static_cast<std::uint32_t>(node.size));
  Log().Format("destination directory: %s", folder.c_str());
  const std::string target = RecoveryTarget(folder, node.name);
  try {
    if (node.IsDirectory()) return RecoverFolder(*this, node, target, files, folders, renameMode, false);
    return RecoverFile(*this, node, folder, target, files, renameMode);
  } catch (const std::exception&) {
    Log().Error("!!!---Error while recovering---!!!");
    return kRecoverNothingDone;
  }
}

}  // namespace tv
