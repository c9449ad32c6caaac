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
// unreadable spot keep their places. The ranges that zeros stand in for end
// up in copy.unreadable.
void CopyParserFile(CFileSystemParser& parser, DirectoryHandle source, platform::FileHandle target, FileCopy& copy) {
  static std::vector<std::uint8_t> copyBuffer;  // one recovery runs at a time
  if (copyBuffer.size() != kRecoveryChunkBytes) copyBuffer.assign(kRecoveryChunkBytes, 0);
  const OpenDirectoryRecord* open = parser.GetDirectoryRecord(source);
  // A parser that keeps the unreadable ranges of its files says exactly
  // where its reads fell short; for any other, a read that reports a failure
  // makes all the bytes it gave suspect.
  const UnreadableRanges* known = open != nullptr ? open->UnreadableData() : nullptr;
  if (open != nullptr && open->ClaimedSize() > copy.size) copy.claimedSize = open->ClaimedSize();
  std::uint64_t offset = 0;
  while (offset < copy.size) {
    if (BreakRequested()) {
      copy.end = FileCopy::End::Stopped;
      break;
    }
    const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(copy.size - offset, kRecoveryChunkBytes));
    std::uint32_t filled = 0;
    while (filled < chunk) {
      std::uint32_t got = 0;
      const int complete = parser.ReadFile(source, copyBuffer.data() + filled, chunk - filled, got);
      got = std::min(got, chunk - filled);
      if (got > 0) {
        if (complete == 0 && known == nullptr) copy.unreadable.Add(offset + filled, got);
        filled += got;
        continue;
      }
      const std::uint32_t gap = std::min(kZeroFillUnit, chunk - filled);
      Log().Format("Nothing could be read at offset %" PRIu64 "; %u zero bytes stand in", offset + filled, gap);
      std::memset(copyBuffer.data() + filled, 0, gap);
      copy.unreadable.Add(offset + filled, gap);
      filled += gap;
      parser.SeekFile(source, offset + filled);
    }
    if (!WriteRecoveredBytes(target, copyBuffer.data(), chunk, copy)) break;
    offset += chunk;
  }
  if (known != nullptr) {
    if (!known->Reason().empty()) copy.unreadable.SetReason(known->Reason());
    for (const ByteRange& range : known->Ranges()) {
      if (range.offset < copy.size) copy.unreadable.Add(range.offset, std::min(range.length, copy.size - range.offset));
    }
  }
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
    RecoveryProblem problem;
    problem.kind = RecoveryProblemKind::NotFound;
    problem.size = node.size;
    ReportRecoveryProblem(parser, node, std::move(problem));
    return kRecoverNotFound;
  }

  DestinationFile destination = CreateDestinationFile(target, folder, renameMode, kRecoverPathMissing);
  if (destination.result != kRecoverDone) {
    parser.CloseObject(source);
    ReportNotCreated(parser, node, target, destination);
    return destination.result;
  }

  std::int32_t high = 0;
  const std::uint32_t low = parser.GetFileSize(source, high);
  FileCopy copy;
  copy.size = high < 0 ? 0 : (static_cast<std::uint64_t>(high) << 32) | low;
  Log().Format("Recovering file size[bytes]: %" PRIu64, copy.size);
  Log().Message("Starting recovery loop");
  CopyParserFile(parser, source, destination.handle, copy);
  parser.CloseObject(source);
  const int result = FinishRecoveredFile(parser, node, destination, copy, files);
  if (result == kRecoverDone) Log().Message("File recovering finished");
  return result;
}

}  // namespace

int CFileSystemParser::RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders,
                                   int /*nesting*/, int renameMode, const WString* /*wideFolder*/) {
  if (const auto early = CheckRecoveryEntry(*this, node)) return *early;
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
