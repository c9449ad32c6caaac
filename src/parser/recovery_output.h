// The destination side of RecoverNode, shared by the base version and the
// FAT variant: the checks every entry goes through, the free numbered name,
// the creation of the destination file (which never replaces an existing
// file), the file times, the chunked writes and the folder walk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

// Base transfer unit of the copy loop.
inline constexpr std::uint32_t kRecoveryChunkBytes = 1024 * 1024;
// No destination path grows beyond this many characters, the longest path
// that POSIX systems commonly accept; a folder chain of a hostile volume ends
// there instead of recursing on.
inline constexpr std::size_t kMaxRecoveryPathLength = 4096;

// The entry checks: a result to return at once, or nullopt when the node
// is to be written. Live nodes with data, and live folders with no deleted
// node below them, are done without writing; a nameless node, or one whose
// name could leave the destination folder, gives kRecoverNothingDone.
std::optional<int> CheckRecoveryEntry(const TreeNode& node);

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

enum class WriteOutcome { Written, DiskFull, Failed };
// Writes `bytes` and logs a failure ("not enough disk space" or "Error while
// writing to file").
WriteOutcome WriteRecoveredBytes(platform::FileHandle file, const void* data, std::uint32_t bytes);

// The folder part of RecoverNode: creates or reuses `target` and recovers
// every child into it through the parser's RecoverNode. With
// `countSubentries` a running count of the children is logged.
int RecoverFolder(CFileSystemParser& parser, TreeNode& node, const std::string& target, int& files,
                  int& folders, int renameMode, bool countSubentries);

}  // namespace tv
