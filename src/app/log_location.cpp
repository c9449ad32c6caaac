#include "app/log_location.h"

#include "parser/product_folder.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tv {

std::string PrepareDefaultLogPath(const std::string& tvcorePath) {
  std::string path = kLogFileName;
  if (const auto productFolder = ProductDataFolder(tvcorePath, "GetLogFilesFolder")) {
    const std::string logFolder = platform::JoinPath(*productFolder, "Logs");
    platform::CreateDirectory(logFolder);  // an existing folder is fine
    path = platform::JoinPath(logFolder, kLogFileName);
  }
  platform::DeleteFile(path);
  return path;
}

}  // namespace tv
