#include "parser/recovery_output.h"

#include "log/log.h"
#include "parser/break_flag.h"
#include "parser/entry_names.h"
#include "parser/file_system_parser.h"
#include "platform/errors.h"
#include "platform/folders.h"

namespace tv {
namespace {

// Numbered names tried before the temporary-name fallback takes over.
constexpr int kMaxNumberedNames = 100000;

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

}  // namespace

std::optional<int> CheckRecoveryEntry(const TreeNode& node) {
  if (BreakRequested()) return kRecoverStopped;
  if (node.deleted == 0) {
    if (node.size != 0) return kRecoverDone;
    std::uint32_t deletedBelow = 0;
    CountDeletedNodes(node, deletedBelow);
    if (deletedBelow == 0) return kRecoverDone;
  }
  if (!node.HasName()) return kRecoverNothingDone;
  // The parsers hand out checked names, but the tree may come from a
  // damaged volume: a name with a separator or ".." would write elsewhere.
  if (!IsValidName(node.name)) {
    Log().Error("Invalid name of the node to recover:", node.name.c_str());
    return kRecoverNothingDone;
  }
  return std::nullopt;
}

std::string RecoveryTarget(const std::string& folder, const std::string& name) {
  return platform::JoinPath(folder, name);
}

std::string FirstFreeName(const std::string& target) {
  if (!platform::PathExists(target)) return target;
  std::size_t nameStart = target.size();
  while (nameStart > 0 && !IsSeparator(target[nameStart - 1])) --nameStart;
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

WriteOutcome WriteRecoveredBytes(platform::FileHandle file, const void* data, std::uint32_t bytes) {
  std::uint32_t written = 0;
  if (platform::WriteFile(file, data, bytes, &written) && written == bytes) return WriteOutcome::Written;
  if (platform::ClassifyError(platform::GetLastError()) == platform::FileErrorKind::DiskFull) {
    Log().Error("not enough disk space");
    return WriteOutcome::DiskFull;
  }
  Log().Error("Error while writing to file");
  return WriteOutcome::Failed;
}

int RecoverFolder(CFileSystemParser& parser, TreeNode& node, const std::string& target, int& files,
                  int& folders, int renameMode, bool countSubentries) {
  Log().Message("Directory detected. Processing..");
  const bool reused = platform::IsDirectory(target);
  if (!reused && (target.size() > kMaxRecoveryPathLength || !platform::CreateDirectory(target))) {
    Log().Message("Can't create directory.");
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
