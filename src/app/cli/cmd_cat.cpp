// vtl cat VOLUME ENTRY: writes one entry's data to standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/scanned_volume.h"
#include "app/entry_lookup.h"
#include "app/scan_run.h"
#include "parser/break_flag.h"
#include "parser/find_data.h"
#include "parser/recovery_report.h"
#include "platform/console.h"

namespace tv::cli {

namespace {

constexpr std::uint32_t kChunkBytes = 1u << 20;

}  // namespace

int RunCatCommand(const CliArgs& args) {
  if (args.positional.size() != 2) {
    std::fprintf(stderr, "vtl cat: expected VOLUME and ENTRY (see vtl --help)\n");
    return kExitUsage;
  }
  int exitCode = kExitOk;
  CliHost host(OverwritePolicy::No, args.quiet);
  const auto scanned = OpenAndScanVolume("cat", args.positional[0], host, exitCode);
  if (!scanned) return exitCode;
  if (scanned->lastScanResult == kScanStopped) return kExitStopped;

  CFileSystemParser& parser = *scanned->parser;
  TreeNode* node = FindEntry(parser.Root(), args.positional[1]);
  if (node == nullptr) {
    std::fprintf(stderr, "vtl cat: no entry '%s' on the volume\n", args.positional[1].c_str());
    return kExitUsage;
  }
  if (node->IsDirectory()) {
    std::fprintf(stderr, "vtl cat: '%s' is a folder\n", args.positional[1].c_str());
    return kExitUsage;
  }
  const DirectoryHandle file = parser.OpenFileByNode(*node);
  if (file <= 0 && parser.GetDirectoryRecord(file) == nullptr) {
    std::fprintf(stderr, "vtl cat: the data of '%s' cannot be opened\n", args.positional[1].c_str());
    return kExitSomeFailed;
  }
  std::int32_t high = 0;
  const std::uint32_t low = parser.GetFileSize(file, high);
  std::uint64_t left = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low;

  platform::SetStandardOutputBinary();
  std::vector<std::uint8_t> buffer(kChunkBytes);
  bool complete = true;
  // errno of the first write to standard output that failed, else 0.
  int writeError = 0;
  while (left > 0) {
    if (BreakRequested()) {
      parser.CloseObject(file);
      return kExitStopped;
    }
    const auto wanted = static_cast<std::uint32_t>(left < kChunkBytes ? left : kChunkBytes);
    std::uint32_t read = 0;
    if (parser.ReadFile(file, buffer.data(), wanted, read) == 0) complete = false;
    if (read == 0) break;
    errno = 0;
    if (std::fwrite(buffer.data(), 1, read, stdout) != read) {
      writeError = errno != 0 ? errno : EIO;
      break;
    }
    left -= read;
  }
  // Standard output is buffered: a full disk may show only when it is flushed.
  errno = 0;
  if (std::fflush(stdout) != 0 && writeError == 0) writeError = errno != 0 ? errno : EIO;
  // Why the data falls short, when the parser knows (no scratch file for a
  // compressed file, say); read before the file is closed.
  std::string reason;
  if (const OpenDirectoryRecord* open = parser.GetDirectoryRecord(file)) {
    if (const UnreadableRanges* unreadable = open->UnreadableData()) reason = unreadable->Reason();
  }
  parser.CloseObject(file);
  if (writeError != 0) {
    std::fprintf(stderr, "vtl cat: cannot write '%s' to standard output: %s\n", args.positional[1].c_str(),
                 std::strerror(writeError));
    return kExitSomeFailed;
  }
  if (!complete || left > 0) {
    std::fprintf(stderr, "vtl cat: part of '%s' could not be read%s%s (see the log)\n", args.positional[1].c_str(),
                 reason.empty() ? "" : ": ", reason.c_str());
    return kExitSomeFailed;
  }
  return kExitOk;
}

}  // namespace tv::cli
