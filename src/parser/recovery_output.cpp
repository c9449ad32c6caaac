#include "parser/recovery_output.h"

#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/entry_names.h"
#include "parser/file_system_parser.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/types.h"

namespace tv {
namespace {

// Numbered names tried before the temporary-name fallback takes over.
constexpr int kMaxNumberedNames = 100000;

}  // namespace

std::optional<int> CheckRecoveryEntry(CFileSystemParser& parser, const TreeNode& node) {
  if (BreakRequested()) return kRecoverStopped;
  if (node.deleted == 0) {
    if (node.size != 0) return kRecoverDone;
    std::uint32_t deletedBelow = 0;
    CountDeletedNodes(node, deletedBelow);
    if (deletedBelow == 0) return kRecoverDone;
  }
  // The parsers hand out checked names, but the tree may come from a
  // damaged volume: a name with a separator or ".." would write elsewhere.
  if (!node.HasName() || !IsValidName(node.name)) {
    if (node.HasName()) Log().Error("Invalid name of the node to recover:", node.name.c_str());
    RecoveryProblem problem;
    problem.kind = RecoveryProblemKind::InvalidName;
    problem.size = node.size;
    ReportRecoveryProblem(parser, node, std::move(problem));
    return kRecoverNothingDone;
  }
  return std::nullopt;
}

std::string RecoveryTarget(const std::string& folder, const std::string& name) {
  return platform::JoinPath(folder, name);
}

std::string FirstFreeName(const std::string& target) {
  if (!platform::PathExists(target)) return target;
  const std::size_t nameStart = platform::FileNameStart(target);
  std::size_t dot = target.rfind('.');
  if (dot == std::string::npos || dot < nameStart) dot = target.size();
  const std::string base = target.substr(0, dot);
  const std::string extension = target.substr(dot);
  for (int n = 1; n <= kMaxNumberedNames; ++n) {
    std::string candidate = base + "(" + std::to_string(n) + ")" + extension;
    if (!platform::PathExists(candidate)) return candidate;
  }
  return {};
}

DestinationFile CreateDestinationFile(const std::string& target, const std::string& folder,
                                      int renameMode, int pathMissingResult) {
  DestinationFile out;
  platform::OpenMode mode;
  mode.access = platform::Access::Write;
  mode.disposition = platform::Disposition::CreateNew;
  mode.shareRead = mode.shareWrite = true;

  std::string path = renameMode != kRenameOff ? FirstFreeName(target) : target;
  std::uint32_t error = err::kFileExists;
  for (int attempt = 0; attempt < 8 && !path.empty(); ++attempt) {
    out.handle = platform::OpenFile(path, mode);
    if (out.handle != platform::kInvalidFile) {
      out.path = path;
      out.result = kRecoverDone;
      return out;
    }
    error = platform::GetLastError();
    out.error = error;
    if (platform::ClassifyError(error) != platform::FileErrorKind::Exists) break;
    // The name was taken since it was chosen. The existing file is kept and
    // the entry takes the next free numbered name instead.
    Log().Message("File with the same name already exist. Choosing a numbered name..");
    path = FirstFreeName(target);
  }
  if (platform::ClassifyError(error) == platform::FileErrorKind::PathNotFound) {
    Log().Message("CreateFile path not found. File skipped.");
    out.result = pathMissingResult;
    return out;
  }
  Log().Format("can`t create file %s, error %d", target.c_str(), static_cast<int>(error));
  Log().Message("trying to generate temp name");
  const std::string temporary = platform::UniqueTempFileName(folder, "recovered_");
  if (!temporary.empty()) {
    platform::OpenMode existing = mode;
    existing.disposition = platform::Disposition::OpenExisting;
    out.handle = platform::OpenFile(temporary, existing);
  }
  if (out.handle == platform::kInvalidFile) {
    // The reason the user is told is why the entry's own name failed.
    Log().Format("can`t create file %s, error %d", temporary.empty() ? target.c_str() : temporary.c_str(),
                 static_cast<int>(platform::GetLastError()));
    out.result = kRecoverNothingDone;
    return out;
  }
  Log().Format("The file %s could not be created and was renamed to %s", target.c_str(), temporary.c_str());
  out.path = temporary;
  out.result = kRecoverDone;
  return out;
}

void SetRecoveredFileTimes(platform::FileHandle file, const TreeNode& node) {
  const FileTime* creation = IsTimeKnown(node.creationTime) ? &node.creationTime : nullptr;
  const FileTime* modified = IsTimeKnown(node.modifiedTime) ? &node.modifiedTime : nullptr;
  if (creation != nullptr || modified != nullptr) platform::SetFileTimes(file, creation, nullptr, modified);
}

void ReportRecoveryProblem(CFileSystemParser& parser, const TreeNode& node, RecoveryProblem problem) {
  RecoveryReport* report = parser.GetRecoveryReport();
  if (report == nullptr) return;
  problem.entry = EntryPath(node);
  report->Add(std::move(problem));
}

void ReportNotCreated(CFileSystemParser& parser, const TreeNode& node, const std::string& target,
                      const DestinationFile& destination) {
  RecoveryProblem problem;
  problem.kind = RecoveryProblemKind::NotCreated;
  problem.written = target;
  problem.size = node.size;
  if (destination.error != 0) problem.reason = platform::ErrorText(destination.error);
  ReportRecoveryProblem(parser, node, std::move(problem));
}

bool WriteRecoveredBytes(platform::FileHandle file, const void* data, std::uint32_t bytes, FileCopy& copy) {
  std::uint32_t written = 0;
  const bool ok = platform::WriteFile(file, data, bytes, &written) && written == bytes;
  copy.written += written;
  if (ok) return true;
  // A short write without an error is a full disk on every system.
  std::uint32_t error = platform::GetLastError();
  if (error == err::kSuccess) error = err::kDiskFull;
  copy.writeError = error;
  if (platform::ClassifyError(error) == platform::FileErrorKind::DiskFull) {
    Log().Error("not enough disk space");
    copy.end = FileCopy::End::DiskFull;
  } else {
    Log().Error("Error while writing to file");
    copy.end = FileCopy::End::WriteFailed;
  }
  return false;
}

namespace {

// Renames a cut-short file so that its name says it is incomplete; the
// name it ends with, or empty when it was removed.
std::string SetPartialFileAside(const std::string& path, std::uint64_t written) {
  if (written == 0) {
    platform::DeleteFile(path);
    Log().Format("The empty file %s was removed", path.c_str());
    return {};
  }
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string partial = FirstFreeName(path + kPartialSuffix);
    if (partial.empty()) break;
    if (platform::RenameFile(path, partial)) {
      Log().Format("The incomplete file %s was renamed to %s", path.c_str(), partial.c_str());
      return partial;
    }
    if (platform::ClassifyError(platform::GetLastError()) != platform::FileErrorKind::Exists) break;
  }
  Log().Format("The incomplete file %s could not be renamed", path.c_str());
  return path;
}

}  // namespace

int FinishRecoveredFile(CFileSystemParser& parser, const TreeNode& node, DestinationFile& destination,
                        const FileCopy& copy, int& files) {
  RecoveryProblem problem;
  problem.size = copy.size;
  problem.bytesWritten = copy.written;
  problem.unreadable = copy.unreadable;
  if (copy.end == FileCopy::End::Complete) {
    SetRecoveredFileTimes(destination.handle, node);
    platform::CloseFile(destination.handle);
    destination.handle = platform::kInvalidFile;
    files += 1;
    if (!copy.unreadable.Empty() || copy.claimedSize > copy.size) {
      problem.kind = copy.claimedSize > copy.size ? RecoveryProblemKind::EndsEarly : RecoveryProblemKind::Unreadable;
      problem.claimedSize = copy.claimedSize;
      problem.written = destination.path;
      ReportRecoveryProblem(parser, node, std::move(problem));
    }
    return kRecoverDone;
  }
  // The file keeps the time it was written at: the entry's times would make
  // it look like the whole original.
  platform::CloseFile(destination.handle);
  destination.handle = platform::kInvalidFile;
  problem.written = SetPartialFileAside(destination.path, copy.written);
  switch (copy.end) {
    case FileCopy::End::DiskFull:
      problem.kind = RecoveryProblemKind::DiskFull;
      break;
    case FileCopy::End::Stopped:
      problem.kind = RecoveryProblemKind::Stopped;
      break;
    default:
      problem.kind = RecoveryProblemKind::WriteFailed;
      problem.reason = platform::ErrorText(copy.writeError);
      break;
  }
  ReportRecoveryProblem(parser, node, std::move(problem));
  if (copy.end == FileCopy::End::DiskFull) return kRecoverDiskFull;
  if (copy.end == FileCopy::End::Stopped) return kRecoverStopped;
  return kRecoverNothingDone;
}

int RecoverFolder(CFileSystemParser& parser, TreeNode& node, const std::string& target, int& files,
                  int& folders, int renameMode, bool countSubentries) {
  Log().Message("Directory detected. Processing..");
  const bool reused = platform::IsDirectory(target);
  if (!reused && (target.size() > kMaxRecoveryPathLength || !platform::CreateDirectory(target))) {
    const std::uint32_t error =
        target.size() > kMaxRecoveryPathLength ? err::kFilenameTooLong : platform::GetLastError();
    Log().Message("Can't create directory.");
    RecoveryProblem problem;
    problem.kind = RecoveryProblemKind::FolderNotCreated;
    problem.written = target;
    problem.reason = platform::ErrorText(error);
    ReportRecoveryProblem(parser, node, std::move(problem));
    return kRecoverFolderFailed;
  }
  folders += 1;
  int passed = 0;
  for (auto& child : node.children) {
    if (BreakRequested()) return kRecoverStopped;
    parser.RecoverNode(*child, target, files, folders, 1, renameMode, nullptr);
    if (countSubentries) Log().Message("Subentry passed number ", ++passed);
  }
  Log().Message("Directory processing accomplished");
  return kRecoverDone;
}

}  // namespace tv
