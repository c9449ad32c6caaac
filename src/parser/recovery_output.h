// The destination side of RecoverNode, shared by the base version and the
// FAT variant: the checks every entry goes through, the free numbered name,
// the creation of the destination file (which never replaces an existing
// file), the file times, the chunked writes and the folder walk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "parser/recovery_report.h"
#include "parser/tree_node.h"
#include "platform/files.h"

namespace tv {

class CFileSystemParser;

// RecoverNode results.
inline constexpr int kRecoverNothingDone = 0;  // no name, or no file could be created
inline constexpr int kRecoverDone = 1;
inline constexpr int kRecoverFolderFailed = 2;
inline constexpr int kRecoverNotFound = 3;
inline constexpr int kRecoverDiskFull = 4;
inline constexpr int kRecoverPathMissing = -11;
inline constexpr int kRecoverStopped = -1000;
// The renaming mode that turns the numbered names off; the system passes -1000.
inline constexpr int kRenameOff = -10000;
inline constexpr int kRenameNumbered = -1000;

// Added to the name of a file that could not be written whole.
inline constexpr const char* kPartialSuffix = ".partial";

// Base transfer unit of the copy loop.
inline constexpr std::uint32_t kRecoveryChunkBytes = 1024 * 1024;
// No destination path grows beyond this many characters, the longest path
// that POSIX systems commonly accept; a folder chain of a hostile volume ends
// there instead of recursing on.
inline constexpr std::size_t kMaxRecoveryPathLength = 4096;

// The entry checks: a result to return at once, or nullopt when the node
// is to be written. Live nodes with data, and live folders with no deleted
// node below them, are done without writing; a nameless node, or one whose
// name could leave the destination folder, gives kRecoverNothingDone and is
// reported.
std::optional<int> CheckRecoveryEntry(CFileSystemParser& parser, const TreeNode& node);

// folder + separator + name.
std::string RecoveryTarget(const std::string& folder, const std::string& name);

// `target` when nothing exists under that path, else the first of
// "base(1).ext", "base(2).ext", ... that is free; empty when none is.
std::string FirstFreeName(const std::string& target);

struct DestinationFile {
  platform::FileHandle handle = platform::kInvalidFile;
  std::string path;
  // kRecoverDone when the file was created, else the result to return.
  int result = kRecoverNothingDone;
  // The system's error when no file could be created.
  std::uint32_t error = 0;
};

// Creates the destination file new. When a file of that name appears in the
// meantime the next free numbered name is taken, never the existing file;
// a missing folder gives `pathMissingResult`; any other failure falls back
// to a unique "recovered_" name in `folder`.
DestinationFile CreateDestinationFile(const std::string& target, const std::string& folder,
                                      int renameMode, int pathMissingResult);

// Creation and modification times of the node; an unknown (zero) time
// leaves the file's own.
void SetRecoveredFileTimes(platform::FileHandle file, const TreeNode& node);

// Adds `problem` to the parser's recovery report, when a run collects one;
// the entry's volume path is filled in from `node`.
void ReportRecoveryProblem(CFileSystemParser& parser, const TreeNode& node, RecoveryProblem problem);

// Reports a destination file that could not be created.
void ReportNotCreated(CFileSystemParser& parser, const TreeNode& node, const std::string& target,
                      const DestinationFile& destination);

// The copy of one file's data into its destination file, as it goes.
struct FileCopy {
  enum class End { Complete, DiskFull, WriteFailed, Stopped };
  End end = End::Complete;
  // Bytes the file should have, and bytes written to the destination.
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  // The system's error of the write that failed.
  std::uint32_t writeError = 0;
  // Bytes of the file that could not be read; zeros stand in for them.
  UnreadableRanges unreadable;
  // The size the entry claims when the volume holds less of it; else 0.
  std::uint64_t claimedSize = 0;
};

// Writes `bytes` to the destination and counts them. A failed write logs
// "not enough disk space" or "Error while writing to file", ends the copy
// (a file with a hole or a shift in it would look whole) and gives false.
bool WriteRecoveredBytes(platform::FileHandle file, const void* data, std::uint32_t bytes, FileCopy& copy);

// Ends the recovery of one file after its copy loop. A complete copy gets
// the entry's times and counts in `files`; unreadable bytes in it are
// reported. A copy cut short is never left under the entry's name: what was
// written is kept as "<name>.partial" (a numbered form when that exists),
// without the entry's times, an empty one is removed, and the problem is
// reported. Returns the RecoverNode result: kRecoverDone, kRecoverDiskFull,
// kRecoverStopped, or kRecoverNothingDone for another write failure.
int FinishRecoveredFile(CFileSystemParser& parser, const TreeNode& node, DestinationFile& destination,
                        const FileCopy& copy, int& files);

// The folder part of RecoverNode: creates or reuses `target` and recovers
// every child into it through the parser's RecoverNode. With
// `countSubentries` a running count of the children is logged.
int RecoverFolder(CFileSystemParser& parser, TreeNode& node, const std::string& target, int& files,
                  int& folders, int renameMode, bool countSubentries);

}  // namespace tv
