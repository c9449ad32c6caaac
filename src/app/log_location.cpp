#include "app/log_location.h"

#include "log/log.h"
#include "parser/product_folder.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv {

std::string DefaultLogPath(const std::string& tvcorePath) {
  std::string path = kLogFileName;
  if (const auto productFolder = ProductDataFolder(tvcorePath, "GetLogFilesFolder")) {
    const std::string logFolder = platform::JoinPath(*productFolder, "Logs");
    platform::CreateDirectory(logFolder);  // an existing folder is fine
    path = platform::JoinPath(logFolder, kLogFileName);
  }
  return path;
}

std::string PrepareDefaultLogPath(const std::string& tvcorePath) {
  const std::string path = DefaultLogPath(tvcorePath);
  platform::DeleteFile(path);
  return path;
}

std::string StartLogFile(const std::string& path) {
  // The log opens its file without telling whether it could; opening it
  // here the same way first finds out, and why not.
  platform::OpenMode mode;
  mode.access = platform::Access::Write;
  mode.disposition = platform::Disposition::OpenAlways;
  mode.shareRead = true;
  mode.shareWrite = true;
  const platform::FileHandle probe = platform::OpenFile(path, mode);
  std::string reason;
  if (probe == platform::kInvalidFile) {
    reason = platform::ErrorText(platform::GetLastError());
  } else {
    platform::CloseFile(probe);
  }
  Log().Start(path.c_str());
  return reason;
}

}  // namespace tv
